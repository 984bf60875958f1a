// data/ reaches not the sync above it.
#include "data/sync/davclient.h"
