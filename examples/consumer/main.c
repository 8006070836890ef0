/* Uses the C interfaces of libwbemkit and libtessel from plain C. */
#include <stdio.h>
#include <string.h>

#include "tessel/log.h"
#include "tessel/vst_hash.h"
#include "wbemkit/cim.h"

int main(void) {
    CCIMInstance *inst = cim_createInstance("CIM_ComputerSystem", "consumer");
    CCIMProperty *prop = cim_createProperty("Name", CIM_STRING, "host", NULL, cim_true);
    if (inst == NULL || prop == NULL || !cim_addProperty(inst, prop))
        return 1;
    cim_freeInstance(inst);

    VstTable *table = vst_hashCreate(10);
    if (table == NULL || vst_hashGetMax(table) != 10)
        return 2;
    vst_hashDestroy(table, NULL);

    if (strcmp(getAgentType(), "Tessel Library") != 0)
        return 3;
    puts("consumer ok");
    return 0;
}
