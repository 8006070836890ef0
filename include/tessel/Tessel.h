// The per-job object of the registry: one Tessel per scan job collects the
// job's status results, named configurations and CIM instances.
//
// Tessel::getInstance(jobId) finds the job's object or makes it on first use.
// A request for a job id that is not registered while more than 10 objects
// live first deletes every object 12 hours old or more: a pointer obtained
// from getInstance stays valid until deleteInstance, such a sweep, or
// HashWrapper::CleanUp. Nothing here takes a lock: the registry and every job
// object are used by one thread at a time. Integer results are 0 for success
// or one of the TESSEL_ERR_ codes of tessel/HashWrapper.h. No member lets an
// exception escape.
#ifndef TESSEL_TESSEL_H
#define TESSEL_TESSEL_H

#include <map>
#include <string>
#include <vector>

#include "tessel/HashWrapper.h"
#include "tessel/Result.h"
#include "tessel/export.h"
#include "wbemkit/cim.h"

// The CIM class of a converted status result.
#define TESSEL_RESULT_CLASS "Kalora_RM_ARPResult"

class TESSEL_API Tessel {
  public:
    typedef std::multimap<std::string, nmspc_cim::_CCIMList *> ConfigMap;
    typedef std::map<std::string, std::vector<Result *> > ResultMap;

    // ---- Registry ----

    // The job's object, made and registered on the first request for `jobId`;
    // null on failure, also when memory runs out for the table or for the
    // object's entry (an object entered nowhere would lose its results). A
    // table that could not be made is tried again by the next request. The
    // registry keeps ownership: release it with deleteInstance, never with
    // delete by another path.
    static Tessel *getInstance(const std::string jobId);
    // Destroys and frees `p` (null: nothing). Returns 0.
    static int deleteInstance(Tessel *p);

    // An unregistered object for `jobId`; counts as a live object.
    explicit Tessel(std::string jobId);
    // Releases what the object holds and removes the registry entry under its
    // job id, if any.
    ~Tessel();

    Tessel(const Tessel &) = delete;
    Tessel &operator=(const Tessel &) = delete;

    // Deletes the stored results, frees the stored configurations and frees
    // the instance list the object still holds (one that was handed out
    // belongs to its receiver and is no longer held).
    void tidyUp();
    std::string getJobID();

    // ---- Status results ----

    // Takes ownership of `r` (0), also of a result it then fails to file
    // (-12: it is deleted). -4 for a null `r`.
    int storeResult(Result *r);
    // Converts every stored result into a TESSEL_RESULT_CLASS instance, puts
    // them in front of the held instance list ("failed" first, then
    // "warning", "information", "success", "unknown", each in storing order),
    // deletes the results and hands the list out: the caller owns it (free
    // with cim_freeInstanceList) and the object no longer holds one. Null
    // when nothing is held (for example on a second call with no new results).
    nmspc_cim::_CCIMList *getCIMInstanceList();
    // As above, but hands out only the first instanceLimit - 1 instances
    // (1 when instanceLimit < 2); the rest stay held for the next call. Null
    // when there is nothing to hand out. The caller owns the returned list.
    nmspc_cim::_CCIMList *getCIMInstanceList(int instanceLimit);
    // Makes the CIM instance of `r` in *out (owned by the caller). 0; -4 for
    // a null `r` or `out`; -9 when no instance could be made (*out null).
    int makeCIMInstance(Result *r, nmspc_cim::_CCIMInstance **out);
    // Adds a new property to *inst: 0, or -9 when it could not be made or
    // added (nothing is added then).
    int addPropertyToCIMInstance(nmspc_cim::_CCIMInstance **inst, std::string name,
                                 nmspc_cim::CIMType type, std::string value,
                                 nmspc_cim::CIMBool isKey);
    // Appends `inst` to the held instance list, which takes it (0); -9 when
    // that fails (the caller keeps `inst`). A null `inst` is ignored (0).
    int addToCIMInstanceList(nmspc_cim::_CCIMInstance *inst);

    // ---- Configurations ----

    // Stores a deep copy of `properties` under `name`; the caller keeps
    // `properties`. Equal names accumulate in storing order. 0; -4 for an
    // empty name or null list; -9 when a copy fails (nothing is stored).
    int storeConfig(std::string name, nmspc_cim::_CCIMList *properties);
    // Appends every list stored under `name`, in storing order, to `out`: 0;
    // -4 for an empty name; -7 when none is stored. The lists stay owned by
    // the object and live until tidyUp: the caller must not free them.
    int retrieveConfig(std::string name, std::vector<nmspc_cim::_CCIMList *> &out);

    // ---- Flags and times ----

    void setIsScanDone(bool done);
    bool getIsScanDone();
    // The creation time as ctime(3) text (with its final newline) or seconds.
    std::string getCreationTime();
    long getCreationTimeInSec();

    // ---- Diagnostics (standard output and the log) ----

    void printResultMap();
    void printResultArrays(Result *r);
    void printMultiMap(ConfigMap &configs);
    void printVector(std::vector<nmspc_cim::_CCIMList *> &lists);
    void printProperties(unsigned indent, nmspc_cim::_CCIMList *properties);
    void printProperty(unsigned indent, nmspc_cim::_CCIMProperty *property);
    void printPropertyValue(unsigned indent, const char *label, nmspc_cim::CIMType type,
                            char *value);
    void printObjectPath(unsigned indent, nmspc_cim::_CCIMObjectPath *path);
    void printInstance(unsigned indent, nmspc_cim::_CCIMInstance *instance);
    // The type's name ("uint8" ... "instance"), "unknown" for other values. A
    // static string.
    const char *typeToString(nmspc_cim::CIMType type);

    // ---- Registry state ----

    // The single table wrapper, made by the first getInstance.
    static HashWrapper *m_pHashObj;
    // Number of live Tessel objects.
    static int m_objCounter;

  private:
    friend class HashWrapper;

    // Converts the stored results into instances in front of the held list.
    void convertStoredResults();

    ConfigMap configurations;
    ResultMap results;
    nmspc_cim::_CCIMList *instanceList;
    long creationTime;
    std::string jobId;
    bool scanDone;
};

#endif
