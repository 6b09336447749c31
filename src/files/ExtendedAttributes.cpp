#include "ExtendedAttributes.h"

#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "files/SaveSteps.h"

namespace corvane {

namespace {

using Outcome = AttributeCopy::Outcome;

// Errors that say the attribute cannot be kept here rather than that something broke.
bool meansCannotKeep(int error) {
    return error == EPERM || error == EACCES || error == ENOTSUP || error == EOPNOTSUPP ||
           error == ENOSPC || error == E2BIG;
}

// Reads a list or a value whose size may change between asking for it and reading it.
template <typename Call>
bool readGrowing(Call call, std::vector<char>& bytes) {
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) {
            return false;
        }
        bytes.resize(static_cast<std::size_t>(size));
        const ssize_t got = call(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) {
            return false;
        }
    }
}

// The attribute names of a file; a file system without attributes has none.
bool attributeNames(int fd, std::vector<std::string>& names) {
    std::vector<char> list;
    saveStep("flistxattr");
    if (!readGrowing([fd](char* data, std::size_t size) { return ::flistxattr(fd, data, size); },
                     list)) {
        if (errno == ENOTSUP) {
            names.clear();
            return true;
        }
        return false;
    }
    names.clear();
    for (std::size_t at = 0; at < list.size();) {
        const std::string name(list.data() + at);
        at += name.size() + 1;
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    return true;
}

AttributeCopy failed(int error) {
    return {meansCannotKeep(error) ? Outcome::CannotKeep : Outcome::Failed, error};
}

}  // namespace

AttributeCopy copyExtendedAttributes(int from, int to) {
    std::vector<std::string> kept;
    if (!attributeNames(from, kept)) {
        return failed(errno);
    }
    for (const std::string& name : kept) {
        std::vector<char> value;
        saveStep("fgetxattr");
        if (!readGrowing(
                [&](char* data, std::size_t size) {
                    return ::fgetxattr(from, name.c_str(), data, size);
                },
                value)) {
            if (errno == ENODATA) {
                continue;  // removed meanwhile
            }
            return failed(errno);
        }
        saveStep("fsetxattr");
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
            return failed(errno);
        }
    }
    std::vector<std::string> present;
    if (!attributeNames(to, present)) {
        return failed(errno);
    }
    for (const std::string& name : present) {
        if (std::find(kept.begin(), kept.end(), name) != kept.end()) {
            continue;
        }
        saveStep("fremovexattr");
        if (::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA) {
            return failed(errno);
        }
    }
    return {};
}

}  // namespace corvane
