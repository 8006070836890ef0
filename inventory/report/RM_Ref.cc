#include "inventory/report/RM_Ref.h"

// Out of line, so that the class has one home for its virtual table.
RM_Ref::~RM_Ref() = default;
