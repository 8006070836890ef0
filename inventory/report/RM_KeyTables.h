// The key-property names of every class the report makes, one table per
// family of classes, in the order RM_CIM_Report::Initialize takes them.
//
// Built when the library is loaded and destroyed when it is unloaded, so they
// must not be used from the constructors or destructors of other static
// objects. Read only: a builder copies the names it is given.
#ifndef INVENTORY_REPORT_RM_KEYTABLES_H
#define INVENTORY_REPORT_RM_KEYTABLES_H

#include <string>

#include "ulvar/export.h"

// Computer systems, clusters, virtual computer systems and cluster nodes.
extern ULVAR_API std::string rm_computersystem_keys[2];
// "CIM_IPProtocolEndpoint".
extern ULVAR_API std::string rm_ipprotocolendpoint_keys[4];
// Volume managers; no class of the report uses it.
extern ULVAR_API std::string rm_volmgr_keys[4];
// File shares.
extern ULVAR_API std::string rm_share_keys[4];
// "CIM_SharedElement".
extern ULVAR_API std::string rm_sharedelement_asso_keys[2];
// Disk groups.
extern ULVAR_API std::string rm_diskgroup_keys[1];
// File systems.
extern ULVAR_API std::string rm_fs_keys[4];
// Alias entries.
extern ULVAR_API std::string rm_alias_keys[2];
// Disk drives, storage volumes and disk partitions.
extern ULVAR_API std::string rm_logdev_keys[4];
// Associations of a group and its part.
extern ULVAR_API std::string rm_grppart_asso_keys[2];
// Associations of a dependent and its antecedent.
extern ULVAR_API std::string rm_antdep_asso_keys[2];
// Associations of a collection and its member.
extern ULVAR_API std::string rm_collmem_asso_keys[2];

#endif
