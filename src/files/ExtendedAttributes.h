#pragma once

namespace corvane {

struct AttributeCopy {
    enum class Outcome {
        Copied,      // the target now holds exactly the source's attributes
        CannotKeep,  // the file system or the user's rights do not allow it; error says why
        Failed,      // a system call failed otherwise; error holds its errno
    };
    Outcome outcome = Outcome::Copied;
    int error = 0;
};

// Gives the file `to` the extended attributes of the file `from`, names and values alike
// (user.*, security.*, trusted.* as far as the user may see them, and the ACLs as
// system.posix_acl_access and system.posix_acl_default), and removes any attribute `to` has
// that `from` does not, such as an ACL taken from its folder's default ACL.
AttributeCopy copyExtendedAttributes(int from, int to);

}  // namespace corvane
