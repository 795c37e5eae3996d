#pragma once
// The arithmetic that turns raw machine facts into the identifier. Written once
// so that every platform derives the same text from the same facts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace MachineIdentity {

// The four registers of CPUID leaf 0 (EAX: highest leaf; EBX, EDX, ECX: vendor).
struct CpuidRegisters {
    uint32_t eax = 0;
    uint32_t ebx = 0;
    uint32_t ecx = 0;
    uint32_t edx = 0;
};

// What one platform gathers before the identifier is composed.
struct Facts {
    // Hardware addresses in listing order; empty when the adapters could not be
    // listed, which selects the fallback form.
    std::vector<std::vector<uint8_t>> adapterAddresses;
    uint32_t volumeSerial = 0;
    CpuidRegisters cpuid;
    std::u16string computerName;
};

// Sum of the little-endian 16-bit words of the address (an odd last byte counts
// alone), low 16 bits.
uint16_t adapterChecksum(const uint8_t *address, std::size_t length);
uint16_t processorChecksum(const CpuidRegisters &registers);
uint16_t volumeChecksum(uint32_t serial);

// "%s%d%d%d%d" and "%s%d%d": the name cut at its first NUL, then the numbers.
std::u16string fingerprint(const std::u16string &name, unsigned processor, unsigned volume,
                           unsigned low, unsigned high);
std::u16string fingerprint(const std::u16string &name, unsigned processor, unsigned volume);

// djb2 over UTF-16 code units, wrapping at 32 bits.
int32_t djb2(const std::u16string &text);

// "%ld-%d-%d".
std::u16string formatIdentifier(int32_t hash, uint16_t low, uint16_t high);

std::u16string composeIdentifier(const Facts &facts);

} // namespace MachineIdentity
