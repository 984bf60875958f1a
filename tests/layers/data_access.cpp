// data/ reaches not the Access reader, which stands above it.
#include "data/exchange/access/accessfile.h"
