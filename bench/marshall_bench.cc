// CIM-XML writing of a large instance list: 100,000 instances of ten
// properties each, written with marshallInstanceList into a buffer that starts
// at 8192 bytes, as the report print method does.
//
// Reports the time per list and the bytes written per instance. A second
// case writes the same list into a buffer cleared between runs, which takes
// the growth out of the figure.
#include <benchmark/benchmark.h>

#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "wbemkit/cim.h"

namespace {

using namespace nmspc_cim;

constexpr int kInstances = 100000;

// Disk-like instances: two keys, the rest the usual mix of numbers, text and
// a flag; one name carries markup so the escaping path is exercised.
CCIMList *makeList() {
    CCIMList *list = cim_createInstanceList();
    for (int i = 0; i < kInstances; ++i) {
        std::string id = "disk-" + std::to_string(i);
        std::string size = std::to_string(1099511627776ull + static_cast<unsigned>(i) * 4096ull);
        CCIMInstance *inst = cim_createInstance("Vendor_DiskDrive", "marshall_bench");
        cim_addProperty(inst, cim_createProperty("CreationClassName", CIM_STRING,
                                                 "Vendor_DiskDrive", nullptr, cim_true));
        cim_addProperty(inst,
                        cim_createProperty("DeviceID", CIM_STRING, id.c_str(), nullptr, cim_true));
        cim_addProperty(inst, cim_createProperty("SystemName", CIM_STRING, "host01.example",
                                                 nullptr, cim_false));
        cim_addProperty(inst, cim_createProperty("Name", CIM_STRING, "c0t0d0 <ssd> & cache",
                                                 nullptr, cim_false));
        cim_addProperty(
            inst, cim_createProperty("CapacityKB", CIM_UINT64, size.c_str(), nullptr, cim_false));
        cim_addProperty(
            inst, cim_createProperty("FreeSpaceKB", CIM_UINT64, "1073741824", nullptr, cim_false));
        cim_addProperty(inst,
                        cim_createProperty("BlockSize", CIM_UINT32, "512", nullptr, cim_false));
        cim_addProperty(inst, cim_createProperty("Status", CIM_UINT16, "2", nullptr, cim_false));
        cim_addProperty(inst,
                        cim_createProperty("Removable", CIM_BOOLEAN, "false", nullptr, cim_false));
        cim_addProperty(inst, cim_createProperty("InstallDate", CIM_DATETIME,
                                                 "20240101120000.000000+000", nullptr, cim_false));
        list = cim_addInstance(list, inst);
    }
    return list;
}

CCIMList *sharedList() {
    static CCIMList *list = makeList();
    return list;
}

void BM_MarshallInstanceList(benchmark::State &state) {
    CCIMList *list = sharedList();
    unsigned bytes = 0;
    for (auto _ : state) {
        sbuf *buffer = sbufCreate(8192);
        if (marshallInstanceList(buffer, list, 0) != 0) {
            state.SkipWithError("marshalling failed");
        }
        bytes = sbufGetSize(buffer);
        benchmark::DoNotOptimize(sbufGetString(buffer));
        sbufDestroy(buffer);
    }
    state.counters["bytes_per_instance"] = static_cast<double>(bytes) / kInstances;
    state.counters["instances_per_s"] =
        benchmark::Counter(kInstances, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_MarshallInstanceList)->Unit(benchmark::kMillisecond);

void BM_MarshallInstanceListReusedBuffer(benchmark::State &state) {
    CCIMList *list = sharedList();
    sbuf *buffer = sbufCreate(8192);
    unsigned bytes = 0;
    for (auto _ : state) {
        sbufClear(buffer);
        if (marshallInstanceList(buffer, list, 0) != 0) {
            state.SkipWithError("marshalling failed");
        }
        bytes = sbufGetSize(buffer);
    }
    sbufDestroy(buffer);
    state.counters["bytes_per_instance"] = static_cast<double>(bytes) / kInstances;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_MarshallInstanceListReusedBuffer)->Unit(benchmark::kMillisecond);

}  // namespace
