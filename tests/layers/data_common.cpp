// data/ reaches nothing above it.
#include "common/form.h"
