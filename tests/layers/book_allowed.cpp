// What a book may reach: the layers beneath it and itself.
#include "data/statement.h"
#include "common/form.h"
#include "phonebook/form2.h"
