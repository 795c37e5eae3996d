#include "hardware/identityarithmetic.h"

#include <algorithm>

namespace MachineIdentity {

namespace {

std::u16string decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string nameUpToNul(const std::u16string &name)
{
    return name.substr(0, name.find(u'\0'));
}

} // namespace

uint16_t adapterChecksum(const uint8_t *address, std::size_t length)
{
    uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < length; i += 2)
        sum += address[i] + 256u * address[i + 1];
    if (i < length)
        sum += address[i];
    return static_cast<uint16_t>(sum);
}

uint16_t processorChecksum(const CpuidRegisters &registers)
{
    uint32_t sum = 0;
    for (const uint32_t value : {registers.eax, registers.ebx, registers.edx, registers.ecx})
        sum += value + (value >> 16);
    return static_cast<uint16_t>(sum);
}

uint16_t volumeChecksum(uint32_t serial)
{
    return static_cast<uint16_t>(serial + (serial >> 16));
}

std::u16string fingerprint(const std::u16string &name, unsigned processor, unsigned volume,
                           unsigned low, unsigned high)
{
    return fingerprint(name, processor, volume) + decimal(low) + decimal(high);
}

std::u16string fingerprint(const std::u16string &name, unsigned processor, unsigned volume)
{
    return nameUpToNul(name) + decimal(processor) + decimal(volume);
}

int32_t djb2(const std::u16string &text)
{
    uint32_t hash = 5381;
    for (const char16_t unit : text)
        hash = hash * 33u + unit;
    return static_cast<int32_t>(hash);
}

std::u16string formatIdentifier(int32_t hash, uint16_t low, uint16_t high)
{
    return decimal(hash) + u'-' + decimal(low) + u'-' + decimal(high);
}

std::u16string composeIdentifier(const Facts &facts)
{
    const uint16_t processor = processorChecksum(facts.cpuid);
    const uint16_t volume = volumeChecksum(facts.volumeSerial);
    const std::u16string name = nameUpToNul(facts.computerName);

    if (facts.adapterAddresses.empty()) {
        const auto length = static_cast<uint16_t>(name.size());
        return formatIdentifier(djb2(fingerprint(name, processor, volume)), length, length);
    }

    const auto checksum = [](const std::vector<uint8_t> &address) {
        return adapterChecksum(address.data(), address.size());
    };
    const uint16_t c1 = checksum(facts.adapterAddresses[0]);
    // With a single adapter there is no second checksum; 0 keeps the identifier
    // the same from run to run.
    const uint16_t c2 = facts.adapterAddresses.size() > 1 ? checksum(facts.adapterAddresses[1]) : 0;
    const uint16_t low = std::min(c1, c2);
    const uint16_t high = std::max(c1, c2);
    return formatIdentifier(djb2(fingerprint(name, processor, volume, low, high)), low, high);
}

} // namespace MachineIdentity
