#ifndef QVX_REGISTRY_H
#define QVX_REGISTRY_H

#include <cstddef>
#include <string>

#include "HostRegistryKey.h"
#include "QvxExport.h"
#include "RegistryFile.h"

// Registry keys and values, read as the registry's 8-bit calls give them
// (types and data as in RegistryFile.h), and changed by the field tool.
//
// Where the host has no registry of its own, the registry is a store of files
// in the registry editor's export format (RegistryFile.h): every regular file
// whose name ends in ".reg" (in any letter case) in the store directory named
// by "QVX_REGISTRY_DIR" (default /etc/qvxutil/registry), applied in byte order
// of their names, so a later file overrides an earlier one and may delete
// what it set. An export from another machine works unchanged. Each root is a
// tree of its own (no root is an alias of a part of another). Key and value
// names compare without regard to the case of ASCII letters.
//
// The store is read once and kept: each call looks at the directory and at
// each file's identity, size and modification times, and reads again only the
// files that changed, so a change by another process is seen at the next
// call. (A file rewritten in place within one tick of the file system's clock
// and to the same size can go unseen; the tool always writes a new file and
// renames it over the old one, which is always seen.) A file that cannot be
// read or parsed, or is larger than 64 MiB, is skipped and reported once on
// standard error with its name and line. The cache is guarded by one lock;
// the calls may come from any thread.
namespace qvx {
namespace platform {

// Status codes, numbered as the registry numbers them.
constexpr long REGISTRY_SUCCESS = 0;
constexpr long REGISTRY_NOT_FOUND = 2;
constexpr long REGISTRY_INVALID_HANDLE = 6;
constexpr long REGISTRY_MORE_DATA = 234;

// Opens subKey ("A\B", "" for root itself) under root, a predefined root or a
// key this call opened, for querying values. The key handle sees the store as
// it was when opened. REGISTRY_NOT_FOUND when there is no such key.
QVXUTIL_API long openRegistryKey(HKEY root, const std::string& subKey, HKEY& key);

// Releases a key from openRegistryKey (a predefined root needs none).
QVXUTIL_API long closeRegistryKey(HKEY key);

// Reads a value of key ("" is the default value): its type, and its data into
// data, which holds size bytes. size becomes the data's length. A value
// longer than size: REGISTRY_MORE_DATA and nothing copied; data nullptr asks
// for the type and length only.
QVXUTIL_API long queryRegistryValue(HKEY key, const std::string& name, unsigned& type, unsigned char* data,
                                    std::size_t& size);

// The directory of the store (host path).
QVXUTIL_API std::string registryStoreDirectory();

// Sets a value under a predefined root. The store keeps such values in
// "local.reg" (written anew and renamed over the old one; a file whose name
// sorts after it still overrides it). False and a reason when it cannot be
// written or the present local.reg does not parse (it is then left alone).
QVXUTIL_API bool setRegistryValue(HKEY root, const std::string& subKey, const std::string& name,
                                  unsigned type, const std::string& data, std::string& error);

// Adds a registry file (host path) to the store under its own name, replacing
// a file of that name. The file must parse and its name end in ".reg".
QVXUTIL_API bool importRegistryFile(const std::string& hostPath, std::string& error);

// The keys at and below keyPath ("HKLM\A" style; "" for every key) with their
// values, as the store has them now, in the order of their paths.
QVXUTIL_API bool exportRegistry(const std::string& keyPath, RegistryFileContents& contents, std::string& error);

}  // namespace platform
}  // namespace qvx

#endif
