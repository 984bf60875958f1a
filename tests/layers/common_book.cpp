// The shared windows reach no book.
#include "phonebook/form2.h"
