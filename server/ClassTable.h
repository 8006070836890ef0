// The classes the report's instances belong to, with their superclass chains
// in the DMTF CIM Schema (each vendor class derives from the CIM class its name
// says), their keys and the types of their properties. Constant data, made once;
// safe to read from any thread.
#ifndef SERVER_CLASSTABLE_H
#define SERVER_CLASSTABLE_H

#include <string>
#include <unordered_map>
#include <vector>

#include "inventory/cimxml/imethod.h"

namespace ulvar_server {

struct CimClass {
    const char *name;
    const char *superClass;  // null for a root class
    bool association;
    // Every property of the class, inherited ones first, as the class
    // overrides them (a reference names the class its association narrows to).
    std::vector<marshallClassProperty> properties;
    std::vector<int> ancestors;  // the class itself, its superclass, ..., its root
};

class ClassTable {
  public:
    // The one table.
    static const ClassTable &schema();

    // The id of the class named `name` (ignoring case), or -1.
    int find(const std::string &name) const;
    const CimClass &at(int id) const { return classes[id]; }
    int size() const { return static_cast<int>(classes.size()); }

    // True when `id` is `ancestor` or derives from it.
    bool isA(int id, int ancestor) const;

    // The classes derived from `id` (directly, or at any depth with `deep`),
    // in table order; for -1 the root classes (with `deep`: every class).
    std::vector<int> subclasses(int id, bool deep) const;

    // The property of class `id` named `name` (ignoring case), or null.
    const marshallClassProperty *property(int id, const char *name) const;

    // The definition the CIM-XML writer takes; valid as long as the table.
    marshallClassDefinition definition(int id) const;

  private:
    ClassTable();
    std::vector<CimClass> classes;
    std::unordered_map<std::string, int> byName;  // lower-case names
};

}  // namespace ulvar_server

#endif
