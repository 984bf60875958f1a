// A book reaches not the shell.
#include "shell/mdiform1.h"
