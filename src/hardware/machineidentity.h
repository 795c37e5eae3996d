#pragma once
// Facts about the computer that travel with every service request and feed the
// inventory report. Qt-free so the Windows side builds with a plain toolchain.

#include <string>

namespace MachineIdentity {

// "hash-low-high"; computed on the first call and kept for the life of the process.
const std::u16string &identifier();

// Whether the operating system is 64-bit (on Windows: the 32-bit program runs under WOW64).
// Recomputed on every call.
bool is64Bit();

// The computer's (NetBIOS) name; empty when it cannot be read.
std::u16string computerName();

} // namespace MachineIdentity
