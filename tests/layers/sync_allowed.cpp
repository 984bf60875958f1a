// What the sync may reach: the data layer and itself; and the windows reach the sync.
#include "data/store/database.h"
#include "data/sync/davclient.h"
