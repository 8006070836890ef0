// The builder of one CIM instance (a class instance or an association) of the
// report: name the class and its keys once, set property after property, take
// the finished instance, release the builder.
#ifndef INVENTORY_REPORT_RM_CIM_REPORT_H
#define INVENTORY_REPORT_RM_CIM_REPORT_H

#include <string>

#include "inventory/report/RM_Ref.h"
#include "ulvar/export.h"
#include "wbemkit/cim.h"

class Tessel;

// Every failure is logged (module "OMX_SRMAgentAdapter", level 1) and, where
// noted, recorded as a status result "F_..." in the job's Tessel object; a job
// object is made on first use of the job id (the empty id included). Results
// are 1 for success and 0 for failure; nothing throws.
//
// Ownership: whoever takes the instance with GetCIMInstance owns it. An
// instance nobody took (the builder was abandoned after a failure) is freed
// when the builder dies. One thread at a time.
class ULVAR_API RM_CIM_Report : public RM_Ref {
  public:
    // Results are recorded under the empty job id, or under `jobId`.
    RM_CIM_Report();
    explicit RM_CIM_Report(std::string jobId);
    // Frees the instance unless GetCIMInstance handed it out.
    ~RM_CIM_Report() override;

    // Makes an empty instance of `className` and notes `keyNames`, the table
    // of its `keyCount` key names (not read: no check consults them). 0, with
    // "F_REPORT_CONV_FAILURE", for an empty class name, a negative count, or
    // when the instance cannot be made; every later SetProperty then fails.
    int Initialize(std::string className, int keyCount, std::string *keyNames);
    // Initialize for a NUL-terminated `className` (not null), without a copy.
    int initialize(const char *className, int keyCount, std::string *keyNames);

    // Adds the property `name`. `value` is a NUL-terminated text for every
    // type but CIM_REFERENCE, for which it is the CCIMInstance * the
    // reference names (a path of it is copied; the instance is not). With
    // `isNaturalName` the value text becomes the natural name before the
    // property is inserted, so it changes even when the insertion fails. 0
    // before Initialize, and when the insertion fails ("F_REPORT_CONV_FAILURE"
    // naming the property and its value).
    int SetProperty(std::string name, void *value, nmspc_cim::CIMType type, bool isKey,
                    bool isNaturalName);
    // SetProperty for a NUL-terminated `name` (not null): the same steps,
    // results and messages, without the copies of the std::string interface.
    int setProperty(const char *name, void *value, nmspc_cim::CIMType type, bool isKey,
                    bool isNaturalName);
    // The insertion step of SetProperty. Null on success, else the library's
    // exception record (owned by the library, valid until its next failure on
    // this thread: never free it).
    nmspc_cim::CCIMException *InsertProperty(std::string name, void *value, nmspc_cim::CIMType type,
                                             nmspc_cim::CIMBool isKey);
    // Accepts every instance (1).
    int VerifyKeys();
    // The instance, which the caller owns from now on (the builder keeps the
    // pointer and returns the same one again); null before Initialize
    // ("F_NULL_POINTER").
    nmspc_cim::CCIMInstance *GetCIMInstance();

    // The value of the last property set with the natural-name flag; empty
    // before that.
    const std::string &getNaturalName() const { return naturalName; }

  private:
    // The key names Initialize was given (the caller's table, as a rule one of
    // RM_KeyTables.h). No check consults them, so they are not copied.
    const std::string *keyNames = nullptr;
    int keyCount = 0;
    nmspc_cim::CCIMException *insertProperty(const char *name, void *value, nmspc_cim::CIMType type,
                                             nmspc_cim::CIMBool isKey);
    nmspc_cim::CCIMInstance *instance = nullptr;
    std::string naturalName;
    bool initialized = false;
    std::string jobId;
    // The job's object as the last recorded failure found it; not owned.
    Tessel *utilities = nullptr;
    // True once GetCIMInstance handed the instance out.
    bool taken = false;
};

#endif
