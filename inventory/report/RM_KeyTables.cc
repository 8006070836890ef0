#include "inventory/report/RM_KeyTables.h"

// Defined in one file, in this order, so that they are built in this order.
std::string rm_computersystem_keys[2] = {"CreationClassName", "Name"};
std::string rm_ipprotocolendpoint_keys[4] = {"SystemCreationClassName", "SystemName",
                                             "CreationClassName", "Name"};
std::string rm_volmgr_keys[4] = {"SystemName", "CreationClassName", "DeviceID", "VolumeMgrVersion"};
std::string rm_share_keys[4] = {"SystemCreationClassName", "SystemName", "CreationClassName",
                                "Name"};
std::string rm_sharedelement_asso_keys[2] = {"SystemElement", "SameElement"};
std::string rm_diskgroup_keys[1] = {"CollectionID"};
std::string rm_fs_keys[4] = {"CSCreationClassName", "CreationClassName", "CSName", "Name"};
std::string rm_alias_keys[2] = {"ReportedOMXIdentity", "OMXIdentityAlias"};
std::string rm_logdev_keys[4] = {"SystemCreationClassName", "SystemName", "CreationClassName",
                                 "DeviceID"};
std::string rm_grppart_asso_keys[2] = {"GroupComponent", "PartComponent"};
std::string rm_antdep_asso_keys[2] = {"Dependent", "Antecedent"};
std::string rm_collmem_asso_keys[2] = {"Collection", "Member"};
