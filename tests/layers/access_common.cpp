// The Access reader reaches nothing above it.
#include "common/form.h"
