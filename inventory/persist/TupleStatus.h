// The record text vocabulary lives in inventory/record/; this path stays for
// the programs that include it.
#include "inventory/record/TupleStatus.h"
