// The sync reaches no window.
#include "common/form.h"
