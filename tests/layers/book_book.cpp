// A book reaches no other book.
#include "chequebook/form6.h"
