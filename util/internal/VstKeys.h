// Which keys the hash table can store at all.
//
// Internal to libtessel (not exported, not installed).
#ifndef UTIL_INTERNAL_VSTKEYS_H
#define UTIL_INTERNAL_VSTKEYS_H

// Whether `key` has a bucket in a table: a key whose bytes, taken as signed
// chars, sum to a negative number is never stored (see vst_hash.cc).
bool vstKeyHasBucket(const char *key);

#endif
