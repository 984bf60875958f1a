// What a book may reach: the layers beneath it (the sync among them) and itself.
#include "data/store/statement.h"
#include "data/sync/davclient.h"
#include "common/form.h"
#include "phonebook/form2.h"
