#include "hardware/identityarithmetic.h"
#include "hardware/machineidentity.h"
#include "hardware/netinterfaces.h"
#include "hardware/rootvolume.h"
#include "hardware/sysroot.h"

#include <sys/utsname.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace MachineIdentity {

namespace {

CpuidRegisters readCpuid()
{
    CpuidRegisters registers;
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(0, 0, a, b, c, d);
    registers.eax = a;
    registers.ebx = b;
    registers.ecx = c;
    registers.edx = d;
#endif
    return registers;
}

QString hostName(const QString &root)
{
    const QString name =
        SysRoot::readText(SysRoot::file(root, QStringLiteral("/proc/sys/kernel/hostname")));
    if (!name.isEmpty())
        return name;
    return SysRoot::readText(SysRoot::file(root, QStringLiteral("/etc/hostname")));
}

std::u16string computeIdentifier()
{
    const QString root = SysRoot::path();
    Facts facts;
    for (const QByteArray &address : hardwareAddresses(root))
        facts.adapterAddresses.emplace_back(address.cbegin(), address.cend());
    facts.volumeSerial = RootVolume::serial(root);
    facts.cpuid = readCpuid();
    facts.computerName = hostName(root).toStdU16String();
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
    if (sizeof(void *) == 8)
        return true;
    // A 32-bit build may still run on a 64-bit kernel.
    utsname names{};
    if (uname(&names) != 0)
        return false;
    const QString machine = QString::fromLatin1(names.machine);
    return machine.contains(QLatin1String("64")) || machine == QLatin1String("s390x");
}

std::u16string computerName()
{
    return hostName(SysRoot::path()).toStdU16String();
}

} // namespace MachineIdentity
