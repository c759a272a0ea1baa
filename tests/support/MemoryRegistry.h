// An in-memory registry that answers the registry calls as advapi32
// does, so the routines can be tested natively. Besides the calls it lets
// tests inject failures, count calls, see leaked handles, deny writes below
// a path (a user without administrator rights) and build or compare whole
// subtrees.
//
// Paths given to the test helpers are full paths: "HKCR\\Some\\Key" or
// "HKCU\\Some\\Key", compared without regard to ASCII case. The helpers
// name keys and values in UTF-8 and give data as the W calls see it (text
// in UTF-16); the A calls see ISO 8859-1 as their ANSI code page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registry/Registry.h"
#include "tests/support/KeySnapshot.h"

namespace wof {

// The calls, for counting and fault injection. The W form of a call
// counts as the call.
enum class RegFunction {
    kOpenKeyEx, kCreateKeyEx, kCreateKey, kQueryValueEx, kSetValueEx, kEnumKeyEx,
    kEnumValue, kDeleteKey, kDeleteValue, kCloseKey, kQueryInfoKey, kFlushKey
};
constexpr std::size_t kRegFunctionCount = 12;

// What a faulty call does instead of its work.
enum class FaultKind {
    kFail,        // returns the fault's status and changes nothing
    // The lies of a registry that guards file associations: the call
    // answers success, and
    kKeepNothing,  // changes nothing (a value write, a value delete, a key delete)
    kKeepOther,    // stores the value's bytes under another type (a value write)
};

// A fault to inject. A call matches when its function and key fit the
// filters; the nth matching call counted from InjectFault goes wrong as kind
// says. A persistent fault then goes on matching every later call as well;
// otherwise it is used up.
struct RegFault {
    RegStatus status = kErrorAccessDenied;  // what a failing call returns; not 0
    std::optional<RegFunction> function;  // any function when empty
    // Full path: fails calls whose key (for open, create and delete: the
    // target key) lies at or below it. Empty: any key.
    std::string path;
    std::uint32_t nth = 1;
    bool persistent = false;
    FaultKind kind = FaultKind::kFail;
};

class MemoryRegistry : public Registry {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;

    RegStatus OpenKeyEx(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) override;
    RegStatus CreateKeyEx(HKey key, const std::string& subKey, const std::string* cls, std::uint32_t access,
                          HKey* result, std::uint32_t* disposition) override;
    RegStatus CreateKey(HKey key, const std::string& subKey, HKey* result) override;
    RegStatus DeleteKey(HKey key, const std::string& subKey) override;
    RegStatus DeleteValue(HKey key, const std::string& valueName) override;
    RegStatus CloseKey(HKey key) override;
    RegStatus FlushKey(HKey key) override;

    RegStatus OpenKeyExW(HKey key, const std::u16string& subKey, std::uint32_t access, HKey* result) override;
    RegStatus CreateKeyExW(HKey key, const std::u16string& subKey, const std::u16string* cls, std::uint32_t access,
                           HKey* result, std::uint32_t* disposition) override;
    RegStatus QueryValueExW(HKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* dataSize) override;
    RegStatus SetValueExW(HKey key, const std::u16string& valueName, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t dataSize) override;
    RegStatus EnumKeyExW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize, char16_t* cls,
                         std::uint32_t* clsSize) override;
    RegStatus EnumValueW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* dataSize) override;
    RegStatus DeleteKeyW(HKey key, const std::u16string& subKey) override;
    RegStatus QueryInfoKeyW(HKey key, char16_t* cls, std::uint32_t* clsSize) override;

    // A lie needs the function it lies in: one of those its kind names.
    // Throws std::invalid_argument otherwise.
    void InjectFault(const RegFault& fault);
    void ClearFaults() { faults_.clear(); }

    // Calls made since construction or the last reset, failed ones included.
    std::uint64_t CallCount(RegFunction function) const { return calls_[static_cast<std::size_t>(function)]; }
    std::uint64_t TotalCalls() const { return std::accumulate(calls_.begin(), calls_.end(), std::uint64_t{0}); }
    void ResetCallCounts() { calls_.fill(0); }

    // Handles handed out and not yet closed (root keys are not counted).
    std::size_t OpenHandleCount() const { return handles_.size(); }

    // The calls an injected fault failed or lied in, in order.
    struct FaultHit {
        RegFunction function;
        std::string path;  // the call's key, as for RegFault::path
    };
    const std::vector<FaultHit>& FaultHits() const { return hits_; }

    // The keys changed since a FlushKey of a key at or above them answered
    // success: what a power cut could still take.
    std::vector<std::string> Unflushed() const { return {unflushed_.begin(), unflushed_.end()}; }

    // From now on the key at path and every key below it can be opened for
    // reading only: asking for write access, creating or deleting keys
    // there fails with ERROR_ACCESS_DENIED.
    void DenyWrites(const std::string& path);

    // The subtree at path, or nothing when the key does not exist. Neither
    // helper counts as a call or meets injected faults.
    std::optional<KeySnapshot> Snapshot(const std::string& path) const;
    // Replaces whatever is at path with tree (tree.name is ignored), creating
    // missing parents without a class. Handles open on replaced keys then
    // see them as deleted. Throws std::invalid_argument for a root or a
    // malformed path.
    void Load(const std::string& path, const KeySnapshot& tree);

private:
    struct Node;
    struct Handle;
    struct Target;

    RegStatus Resolve(HKey key, Handle* handle) const;
    RegStatus ResolveTarget(HKey key, const std::string& subKey, Target* target) const;
    RegStatus Count(RegFunction function, const std::string& path);
    HKey AddHandle(const std::shared_ptr<Node>& node, std::uint32_t access, const std::string& path);
    bool WritesDenied(const std::string& path) const;

    // The calls that come in both forms, on UTF-8 names; the A and W
    // methods convert the names on the way in.
    RegStatus Open(HKey key, const std::string& subKey, std::uint32_t access, HKey* result);
    RegStatus Create(RegFunction function, HKey key, const std::string& subKey, const std::string* cls,
                     std::uint32_t access, HKey* result, std::uint32_t* disposition);
    RegStatus Delete(HKey key, const std::string& subKey);
    static RegStatus Usable(const Handle& handle, std::uint32_t needed);
    std::shared_ptr<Node> RootOf(const std::vector<std::string>& parts) const;

    std::shared_ptr<Node> classesRoot_;
    std::shared_ptr<Node> currentUser_;
    std::map<HKey, Handle> handles_;
    HKey nextHandle_;
    std::vector<RegFault> faults_;
    FaultKind lie_ = FaultKind::kFail;  // set by Count for the call it counts
    std::array<std::uint64_t, kRegFunctionCount> calls_{};
    std::vector<std::string> denied_;
    std::vector<FaultHit> hits_;
    std::set<std::string> unflushed_;
};

}  // namespace wof
