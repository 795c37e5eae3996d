#include "hardware/identityarithmetic.h"
#include "hardware/machineidentity.h"

// Windows headers in the order they need: winsock2 before windows, which
// comes before iphlpapi.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

namespace MachineIdentity {

namespace {

constexpr DWORD kNameBufferUnits = 1024;
constexpr ULONG kFirstAdapterBlock = 648;

CpuidRegisters readCpuid()
{
    CpuidRegisters registers;
#if defined(_MSC_VER)
    int values[4] = {};
    __cpuidex(values, 0, 0);
    registers.eax = static_cast<uint32_t>(values[0]);
    registers.ebx = static_cast<uint32_t>(values[1]);
    registers.ecx = static_cast<uint32_t>(values[2]);
    registers.edx = static_cast<uint32_t>(values[3]);
#else
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(0, 0, a, b, c, d);
    registers.eax = a;
    registers.ebx = b;
    registers.ecx = c;
    registers.edx = d;
#endif
    return registers;
}

uint32_t readVolumeSerial()
{
    DWORD serial = 0;
    GetVolumeInformationA("c:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    return serial;
}

// Fills facts.adapterAddresses with the first two adapters' addresses; leaves it
// empty when the list cannot be read.
void readAdapters(Facts &facts)
{
    HANDLE heap = GetProcessHeap();
    ULONG size = kFirstAdapterBlock;
    auto *info = static_cast<IP_ADAPTER_INFO *>(HeapAlloc(heap, 0, size));
    if (!info)
        return;
    if (GetAdaptersInfo(info, &size) == ERROR_BUFFER_OVERFLOW) {
        HeapFree(heap, 0, info);
        info = static_cast<IP_ADAPTER_INFO *>(HeapAlloc(heap, 0, size));
        if (!info)
            return;
    }
    if (GetAdaptersInfo(info, &size) == NO_ERROR) {
        for (const IP_ADAPTER_INFO *adapter = info; adapter && facts.adapterAddresses.size() < 2;
             adapter = adapter->Next) {
            const UINT length = adapter->AddressLength < MAX_ADAPTER_ADDRESS_LENGTH
                                    ? adapter->AddressLength
                                    : MAX_ADAPTER_ADDRESS_LENGTH;
            facts.adapterAddresses.emplace_back(adapter->Address, adapter->Address + length);
        }
    }
    HeapFree(heap, 0, info);
}

std::u16string computeIdentifier()
{
    Facts facts;
    readAdapters(facts);
    facts.volumeSerial = readVolumeSerial();
    facts.cpuid = readCpuid();
    facts.computerName = computerName();
    return composeIdentifier(facts);
}

} // namespace

const std::u16string &identifier()
{
    static const std::u16string kept = computeIdentifier();
    return kept;
}

bool is64Bit()
{
    using IsWow64ProcessFunction = BOOL(WINAPI *)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (!kernel)
        return false;
    const FARPROC address = GetProcAddress(kernel, "IsWow64Process");
    if (!address)
        return false;
    // Through a neutral function type, which the compiler accepts without warning.
    const auto isWow64Process =
        reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void (*)()>(address));
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64))
        return false;
    return wow64 != FALSE;
}

std::u16string computerName()
{
    wchar_t buffer[kNameBufferUnits] = {};
    DWORD size = kNameBufferUnits;
    if (!GetComputerNameW(buffer, &size))
        return std::u16string();
    const auto *text = reinterpret_cast<const char16_t *>(buffer);
    return std::u16string(text, size < kNameBufferUnits ? size : kNameBufferUnits - 1);
}

} // namespace MachineIdentity
