"""Which driver each graphics chip family gets, and why.

This is data, kept by hand: the vendors' pages, the families their drivers
cover, the code names that identify each family in the PCI id list, and the
words that mark professional, notebook and non-GPU devices. generator.py turns
it, with pci.ids and packages.json, into html/data/catalogue.js.

Texts the user reads come in both languages of the pages ("zh", "en").
"""

# Vendor pages: "search" is where a user finds a driver by hand, "professional"
# the vendor's page for workstation and data-centre drivers. "signer" is the
# publisher name of the vendor's Authenticode signature on its installers.
# "scheme" tells the page how the vendor numbers Windows driver versions.
VENDORS = {
    "10de": {
        "name": "NVIDIA",
        "signer": "NVIDIA Corporation",
        "search": "https://www.nvidia.com/en-us/drivers/",
        "professional": "https://www.nvidia.com/en-us/drivers/",
        "scheme": "nvidia",
        "domains": ["nvidia.com"],
    },
    "1002": {
        "name": "AMD",
        "signer": "Advanced Micro Devices, Inc.",
        "search": "https://www.amd.com/en/support/download/drivers.html",
        "professional": "https://www.amd.com/en/support/download/drivers.html",
        "scheme": "package",
        "domains": ["amd.com", "ati.com"],
    },
    "8086": {
        "name": "Intel",
        "signer": "Intel Corporation",
        "search": "https://www.intel.com/content/www/us/en/download-center/home.html",
        "professional": "https://www.intel.com/content/www/us/en/download-center/home.html",
        "scheme": "intel",
        "domains": ["intel.com"],
    },
}

# Why a card gets no consumer package.
ANSWERS = {
    "professional": {
        "10de": {
            "zh": "Quadro、RTX A/PRO 系列和数据中心显卡使用 NVIDIA 的专业版驱动，不使用 GeForce 驱动包。",
            "en": "Quadro, RTX A/PRO and data-centre cards use NVIDIA's professional drivers, not the GeForce package.",
        },
        "1002": {
            "zh": "Radeon Pro、FirePro、Instinct 和嵌入式显卡使用 AMD 的专业版驱动，不使用 Adrenalin 驱动包。",
            "en": "Radeon Pro, FirePro, Instinct and embedded cards use AMD's professional drivers, not the Adrenalin package.",
        },
        "8086": {
            "zh": "Arc Pro 和数据中心显卡使用 Intel 的专业版驱动。",
            "en": "Arc Pro and data-centre cards use Intel's professional drivers.",
        },
    },
}

# Branches: the vendor's driver lines. Their packages are in packages.json
# under the same key (scripts/update-catalogue keeps NVIDIA's and AMD's fresh).
BRANCHES = {
    "nvidia-main": {
        "vendor": "10de",
        "title": {"zh": "NVIDIA Game Ready 主线", "en": "NVIDIA Game Ready (main branch)"},
    },
    "nvidia-r580": {
        "vendor": "10de",
        "title": {"zh": "NVIDIA R580 分支", "en": "NVIDIA R580 branch"},
    },
    "nvidia-r470": {
        "vendor": "10de",
        "title": {"zh": "NVIDIA R470 分支（仅台式机）", "en": "NVIDIA R470 branch (desktops only)"},
    },
    "amd-main": {
        "vendor": "1002",
        "title": {"zh": "AMD Adrenalin 主线（RDNA）", "en": "AMD Adrenalin (RDNA)"},
    },
    "amd-polaris-vega": {
        "vendor": "1002",
        "title": {"zh": "AMD Polaris/Vega 驱动包", "en": "AMD Polaris/Vega package"},
    },
    "amd-gcn-legacy": {
        "vendor": "1002",
        "title": {"zh": "AMD GCN 1–3 旧版驱动", "en": "AMD GCN 1–3 legacy"},
    },
    "intel-arc": {
        "vendor": "8086",
        "title": {"zh": "Intel Arc 与 Core Ultra 驱动", "en": "Intel Arc and Core Ultra"},
    },
    "intel-11-14": {
        "vendor": "8086",
        "title": {"zh": "Intel 第 11–14 代处理器显卡驱动", "en": "Intel 11th–14th Gen"},
    },
    "intel-7-10": {
        "vendor": "8086",
        "title": {"zh": "Intel 第 7–10 代处理器显卡驱动", "en": "Intel 7th–10th Gen"},
    },
    "intel-6": {
        "vendor": "8086",
        "title": {"zh": "Intel 第 6 代处理器显卡驱动（已停止更新）", "en": "Intel 6th Gen (end of life)"},
    },
}


def _why(zh, en):
    return {"zh": zh, "en": en}


# Families. "branch" names the package they get; "answer" is given instead
# when there is none: "dropped" (the vendor no longer makes a driver; "last"
# is the last one it made, or None where it made none for Windows 10) or
# "professional" / "embedded" (the driver comes from elsewhere).
# "notebook": the family notebook chips of this family belong to instead.
FAMILIES = {
    # NVIDIA
    "blackwell": {
        "vendor": "10de", "name": "Blackwell", "branch": "nvidia-main",
        "why": _why("Blackwell 架构（GeForce RTX 50 系列）由 NVIDIA Game Ready 主线驱动支持，新驱动最先在这里发布。",
                    "Blackwell (GeForce RTX 50) is served by NVIDIA's main Game Ready branch, where new drivers come first."),
    },
    "ada": {
        "vendor": "10de", "name": "Ada Lovelace", "branch": "nvidia-main",
        "why": _why("Ada Lovelace 架构（GeForce RTX 40 系列）由 NVIDIA Game Ready 主线驱动支持。",
                    "Ada Lovelace (GeForce RTX 40) is served by NVIDIA's main Game Ready branch."),
    },
    "ampere": {
        "vendor": "10de", "name": "Ampere", "branch": "nvidia-main",
        "why": _why("Ampere 架构（GeForce RTX 30 系列）由 NVIDIA Game Ready 主线驱动支持。",
                    "Ampere (GeForce RTX 30) is served by NVIDIA's main Game Ready branch."),
    },
    "turing": {
        "vendor": "10de", "name": "Turing", "branch": "nvidia-main",
        "why": _why("Turing 架构（GeForce RTX 20 与 GTX 16 系列）是 NVIDIA Game Ready 主线驱动支持的最老架构。",
                    "Turing (GeForce RTX 20 and GTX 16) is the oldest family on NVIDIA's main Game Ready branch."),
    },
    "volta": {
        "vendor": "10de", "name": "Volta", "branch": "nvidia-r580",
        "why": _why("Volta 架构（TITAN V）：NVIDIA 于 2026 年将其移出主线，改由 R580 分支支持。",
                    "Volta (TITAN V): NVIDIA moved it from the main branch to the R580 branch in 2026."),
    },
    "pascal": {
        "vendor": "10de", "name": "Pascal", "branch": "nvidia-r580",
        "why": _why("Pascal 架构：NVIDIA 于 2026 年将 GeForce 10 系列移到 R580 分支。",
                    "Pascal: NVIDIA moved GeForce 10 to the R580 branch in 2026."),
    },
    "maxwell": {
        "vendor": "10de", "name": "Maxwell", "branch": "nvidia-r580",
        "why": _why("Maxwell 架构：NVIDIA 于 2026 年将 GeForce 900、GTX 750 和 800M/900M 笔记本显卡移到 R580 分支。",
                    "Maxwell: NVIDIA moved GeForce 900, GTX 750 and the 800M/900M notebooks to the R580 branch in 2026."),
    },
    "kepler": {
        "vendor": "10de", "name": "Kepler", "branch": "nvidia-r470", "notebook": "kepler-notebook",
        "why": _why("Kepler 架构：台式机 GeForce 600/700 系列只由 R470 分支支持，该分支的安全更新已于 2024 年结束。",
                    "Kepler: desktop GeForce 600/700 cards are served only by the R470 branch, whose security updates ended in 2024."),
    },
    "kepler-notebook": {
        "vendor": "10de", "name": "Kepler", "answer": "dropped",
        "last": {"version": "425.31", "date": "2019-04"},
        "why": _why("Kepler 笔记本显卡：NVIDIA 已于 2019 年停止提供驱动；R470 分支只支持台式机。",
                    "Kepler notebooks: NVIDIA stopped their drivers in 2019; the R470 branch serves desktops only."),
    },
    "fermi": {
        "vendor": "10de", "name": "Fermi", "answer": "dropped",
        "last": {"version": "391.35", "date": "2018-03"},
        "why": _why("Fermi 架构（GeForce 400/500 及部分 600/700 型号）：NVIDIA 已于 2018 年停止提供驱动。",
                    "Fermi (GeForce 400/500 and some 600/700 models): NVIDIA stopped its drivers in 2018."),
    },
    "tesla": {
        "vendor": "10de", "name": "Tesla (G80–GT218)", "answer": "dropped",
        "last": {"version": "342.01", "date": "2016-12"},
        "why": _why("GeForce 8/9/100/200/300 系列及 nForce 集成显卡：NVIDIA 已于 2016 年停止提供驱动。",
                    "GeForce 8, 9, 100, 200 and 300 and the nForce integrated graphics: NVIDIA stopped their drivers in 2016."),
    },
    "curie": {
        "vendor": "10de", "name": "Curie (NV40–G73)", "answer": "dropped",
        "last": {"version": "307.83", "date": "2013-02"},
        "why": _why("GeForce 6/7 系列：NVIDIA 已于 2013 年停止提供驱动，也没有 Windows 10 驱动。",
                    "GeForce 6 and 7: NVIDIA stopped their drivers in 2013 and made none for Windows 10."),
    },
    "rankine": {
        "vendor": "10de", "name": "Rankine (NV30)", "answer": "dropped",
        "last": {"version": "175.19", "date": "2008-07"},
        "why": _why("GeForce FX 系列：NVIDIA 已于 2008 年停止提供驱动。",
                    "GeForce FX: NVIDIA stopped its drivers in 2008."),
    },
    "celsius": {
        "vendor": "10de", "name": "Celsius/Kelvin (NV10–NV28)", "answer": "dropped",
        "last": {"version": "93.71", "date": "2006-11"},
        "why": _why("GeForce 256 至 GeForce4 系列：NVIDIA 已于 2006 年停止提供驱动。",
                    "GeForce 256 to GeForce4: NVIDIA stopped their drivers in 2006."),
    },
    "riva": {
        "vendor": "10de", "name": "Riva/TNT", "answer": "dropped", "last": None,
        "why": _why("Riva 与 TNT 系列：NVIDIA 从未提供过 Windows 10 驱动。",
                    "Riva and TNT: NVIDIA never made a Windows 10 driver for them."),
    },
    "nvidia-datacenter": {
        "vendor": "10de", "name": "NVIDIA data centre", "answer": "professional",
        "why": _why("数据中心 GPU（A100、H100、B200 等）使用 NVIDIA 的数据中心驱动。",
                    "Data-centre GPUs (A100, H100, B200 and others) use NVIDIA's data-centre drivers."),
    },
    "nvidia-embedded": {
        "vendor": "10de", "name": "NVIDIA embedded", "answer": "embedded",
        "why": _why("Tegra、Jetson、DGX Spark 和游戏机芯片的驱动由设备厂商提供，不使用 GeForce 驱动包。",
                    "Tegra, Jetson, DGX Spark and console chips get their drivers from the device maker, not a GeForce package."),
    },
    # AMD
    "rdna4": {
        "vendor": "1002", "name": "RDNA 4", "branch": "amd-main",
        "why": _why("RDNA 4 架构（Radeon RX 9000 系列）由 AMD Adrenalin 主线驱动支持。",
                    "RDNA 4 (Radeon RX 9000) is served by AMD's main Adrenalin branch."),
    },
    "rdna35": {
        "vendor": "1002", "name": "RDNA 3.5", "branch": "amd-main",
        "why": _why("RDNA 3.5 架构（Radeon 800M、8000S 等 APU 显卡）由 AMD Adrenalin 主线驱动支持。",
                    "RDNA 3.5 (Radeon 800M and 8000S APU graphics) is served by AMD's main Adrenalin branch."),
    },
    "rdna3": {
        "vendor": "1002", "name": "RDNA 3", "branch": "amd-main",
        "why": _why("RDNA 3 架构（Radeon RX 7000 系列和 Radeon 700M APU 显卡）由 AMD Adrenalin 主线驱动支持。",
                    "RDNA 3 (Radeon RX 7000 and Radeon 700M APU graphics) is served by AMD's main Adrenalin branch."),
    },
    "rdna2": {
        "vendor": "1002", "name": "RDNA 2", "branch": "amd-main",
        "why": _why("RDNA 2 架构（Radeon RX 6000 系列、Radeon 600M/680M 和锐龙 7000/9000 台式机核显）由 AMD Adrenalin 主线驱动支持。",
                    "RDNA 2 (Radeon RX 6000, Radeon 600M/680M and Ryzen 7000/9000 desktop graphics) is served by AMD's main Adrenalin branch."),
    },
    "rdna1": {
        "vendor": "1002", "name": "RDNA", "branch": "amd-main",
        "why": _why("RDNA 架构（Radeon RX 5000 系列）由 AMD Adrenalin 主线驱动支持。",
                    "RDNA (Radeon RX 5000) is served by AMD's main Adrenalin branch."),
    },
    "vega": {
        "vendor": "1002", "name": "Vega", "branch": "amd-polaris-vega",
        "why": _why("Vega 架构（RX Vega、Radeon VII 和 Vega 核显 APU）：AMD 把 Polaris 和 Vega 放在与 RDNA 分开的驱动包里。",
                    "Vega (RX Vega, Radeon VII and the Vega APUs): AMD ships Polaris and Vega in a package separate from RDNA."),
    },
    "polaris": {
        "vendor": "1002", "name": "Polaris", "branch": "amd-polaris-vega",
        "why": _why("Polaris 架构（Radeon RX 400/500 系列）：AMD 把 Polaris 和 Vega 放在与 RDNA 分开的驱动包里。",
                    "Polaris (Radeon RX 400/500): AMD ships Polaris and Vega in a package separate from RDNA."),
    },
    "gcn": {
        "vendor": "1002", "name": "GCN 1–3", "branch": "amd-gcn-legacy",
        "why": _why("GCN 1–3 架构（Radeon HD 7000 至 R9 300/Fury 系列及 Kaveri/Kabini 等 APU）：AMD 的最后一版驱动是 2022 年 6 月的 22.6.1。",
                    "GCN 1–3 (Radeon HD 7000 to R9 300/Fury and the Kaveri/Kabini APUs): AMD's last driver is 22.6.1 of June 2022."),
    },
    "terascale2": {
        "vendor": "1002", "name": "TeraScale 2/3", "answer": "dropped",
        "last": {"version": "16.2.1", "date": "2016-03"},
        "why": _why("TeraScale 2/3 架构（Radeon HD 5000/6000 系列及 Llano、Brazos、Trinity、Richland APU）：AMD 已于 2016 年停止提供驱动，GCN 旧版驱动也不支持它。",
                    "TeraScale 2/3 (Radeon HD 5000/6000 and the Llano, Brazos, Trinity and Richland APUs): AMD stopped its drivers in 2016; the GCN legacy package does not support it."),
    },
    "terascale1": {
        "vendor": "1002", "name": "TeraScale", "answer": "dropped",
        "last": {"version": "13.1", "date": "2013-01"},
        "why": _why("TeraScale 架构（Radeon HD 2000–4000 系列）：AMD 已于 2013 年停止提供驱动。",
                    "TeraScale (Radeon HD 2000 to 4000): AMD stopped its drivers in 2013."),
    },
    "r300": {
        "vendor": "1002", "name": "R300–R500", "answer": "dropped",
        "last": {"version": "10.2", "date": "2010-02"},
        "why": _why("Radeon 9500 至 X1950 系列：AMD 已于 2010 年停止提供驱动。",
                    "Radeon 9500 to X1950: AMD stopped their drivers in 2010."),
    },
    "ati-older": {
        "vendor": "1002", "name": "Rage/Radeon 7000–9200", "answer": "dropped", "last": None,
        "why": _why("Rage、Mach 和 Radeon 7000–9200 系列：从未有过 Windows 10 驱动。",
                    "Rage, Mach and Radeon 7000 to 9200: there was never a Windows 10 driver for them."),
    },
    "amd-datacenter": {
        "vendor": "1002", "name": "AMD Instinct", "answer": "professional",
        "why": _why("Instinct 加速卡使用 AMD 的数据中心驱动。",
                    "Instinct accelerators use AMD's data-centre drivers."),
    },
    "amd-embedded": {
        "vendor": "1002", "name": "AMD semi-custom", "answer": "embedded",
        "why": _why("游戏机和定制芯片（PlayStation、Xbox、Steam Deck 等）的驱动由设备厂商提供。",
                    "Console and semi-custom chips (PlayStation, Xbox, Steam Deck and others) get their drivers from the device maker."),
    },
    # Intel
    "xe2-xe3": {
        "vendor": "8086", "name": "Xe2/Xe3", "branch": "intel-arc",
        "why": _why("Xe2/Xe3 架构（Arc B 系列、Lunar Lake、Panther Lake）由 Intel Arc 与 Core Ultra 驱动支持。",
                    "Xe2/Xe3 (Arc B-series, Lunar Lake, Panther Lake) is served by Intel's Arc and Core Ultra driver."),
    },
    "xe-hpg": {
        "vendor": "8086", "name": "Xe-HPG/Xe-LPG", "branch": "intel-arc",
        "why": _why("Xe-HPG/Xe-LPG 架构（Arc A 系列、Meteor Lake、Arrow Lake）由 Intel Arc 与 Core Ultra 驱动支持。",
                    "Xe-HPG/Xe-LPG (Arc A-series, Meteor Lake, Arrow Lake) is served by Intel's Arc and Core Ultra driver."),
    },
    "xe-lp": {
        "vendor": "8086", "name": "Xe-LP", "branch": "intel-11-14",
        "why": _why("Xe-LP 架构（第 11–14 代酷睿核显和 Iris Xe MAX）：Intel 自 2025 年起为其单独发布驱动。",
                    "Xe-LP (11th to 14th Gen Core graphics and Iris Xe MAX): Intel has served it from a driver of its own since 2025."),
    },
    "gen11": {
        "vendor": "8086", "name": "Gen11", "branch": "intel-7-10",
        "why": _why("Gen11 架构（Ice Lake、Jasper Lake 等）：Intel 于 2022 年把第 10 代处理器显卡移到第 7–10 代驱动。",
                    "Gen11 (Ice Lake, Jasper Lake and others): Intel moved 10th Gen graphics to the 7th–10th Gen driver in 2022."),
    },
    "gen9.5": {
        "vendor": "8086", "name": "Gen9.5", "branch": "intel-7-10",
        "why": _why("Gen9.5 架构（Kaby Lake、Coffee Lake、Comet Lake、Gemini Lake 等）由 Intel 第 7–10 代处理器显卡驱动支持。",
                    "Gen9.5 (Kaby Lake, Coffee Lake, Comet Lake, Gemini Lake and others) is served by Intel's 7th–10th Gen driver."),
    },
    "gen9": {
        "vendor": "8086", "name": "Gen9", "branch": "intel-6",
        "why": _why("Gen9 架构（Skylake、Apollo Lake）：Intel 的最后一版驱动是 2022 年 12 月的 31.0.101.2115，之后不再更新。",
                    "Gen9 (Skylake, Apollo Lake): Intel's last driver is 31.0.101.2115 of December 2022; there will be no more."),
    },
    "gen8": {
        "vendor": "8086", "name": "Gen8", "answer": "dropped",
        "last": {"version": "15.40", "date": ""},
        "why": _why("Gen8 架构（Broadwell、Braswell、Cherry Trail）：Intel 已停止提供驱动，最后是 15.40 系列。",
                    "Gen8 (Broadwell, Braswell, Cherry Trail): Intel no longer makes drivers for it; the last were the 15.40 series."),
    },
    "gen7.5": {
        "vendor": "8086", "name": "Gen7.5", "answer": "dropped",
        "last": {"version": "15.36", "date": ""},
        "why": _why("Gen7.5 架构（Haswell）：Intel 已停止提供驱动，最后是 15.36 系列。",
                    "Gen7.5 (Haswell): Intel no longer makes drivers for it; the last were the 15.36 series."),
    },
    "gen7": {
        "vendor": "8086", "name": "Gen7", "answer": "dropped",
        "last": {"version": "15.33", "date": ""},
        "why": _why("Gen7 架构（Ivy Bridge、Bay Trail）：Intel 已停止提供驱动，最后是 15.33 系列。",
                    "Gen7 (Ivy Bridge, Bay Trail): Intel no longer makes drivers for it; the last were the 15.33 series."),
    },
    "gen6": {
        "vendor": "8086", "name": "Gen6", "answer": "dropped",
        "last": {"version": "15.28", "date": ""},
        "why": _why("Gen6 架构（Sandy Bridge）：Intel 的最后驱动是 Windows 7 的 15.28 系列，没有 Windows 10 驱动。",
                    "Gen6 (Sandy Bridge): Intel's last drivers were the 15.28 series for Windows 7; there is none for Windows 10."),
    },
    "intel-older": {
        "vendor": "8086", "name": "GMA/Gen5 and older", "answer": "dropped", "last": None,
        "why": _why("GMA 和第一代酷睿（Gen5）及更早的集成显卡：Intel 从未提供过 Windows 10 驱动。",
                    "GMA and first-generation Core (Gen5) graphics and older: Intel never made a Windows 10 driver for them."),
    },
    "intel-datacenter": {
        "vendor": "8086", "name": "Intel data centre", "answer": "professional",
        "why": _why("数据中心 GPU（Flex、Max 系列）使用 Intel 的数据中心驱动。",
                    "Data-centre GPUs (Flex and Max series) use Intel's data-centre drivers."),
    },
}

# A device whose name marks none of these is no GPU (bridges, audio, USB and
# the rest of a chipset).
NON_GPU = (
    r"Audio|Azalia|AC'?97|\bUSB|UCSI|(?<!Ivy)(?<!Ivy )(?<!Sandy)(?<!Sandy )[Bb]ridge|[Ss]witch|\b[Pp]ort\b|Root Complex|Endpoint|SATA|AHCI"
    r"|\bIDE\b|SMBus|\bLPC\b|\bISA\b|Ethernet|Network|[Mm]emory [Cc]ontroller|DRAM|Controller Hub"
    r"|\b[Hh]ost\b|Co-?[Pp]rocessor|Cryptographic|Dummy Function|Modem|Serial|Thermal|Trusted Execution"
    r"|Gaussian|Imaging|Theater|[Tt]uner|[Cc]apture|\bCPU\s*$|Xilleon|HDMI|Debug|Registers|PCI Express"
    r"|RAID"
)

# NVIDIA: the chip code at the start of the device name ("GP107M", "GA107BM /
# GN20-P0", "C79"), first pattern that matches wins. A "GL" in the code's
# suffix marks a professional chip, an "M" at its end a notebook chip.
NVIDIA_CHIP = r"(?:NV[0-9][0-9A-F]?|GT2\d\d|G[A-Z]?\d+|C\d\d|MCP\w+|TU\d+|AD\d+)"
NVIDIA_CHIPS = [
    (r"GA100|GH1\d\d|GB1\d\d|GR1\d\d|GP100", "nvidia-datacenter"),
    (r"GB10|GB20B|GK11x|NV2A", "nvidia-embedded"),
    (r"GB2\d\d|GB6", "blackwell"),
    (r"AD1\d\d", "ada"),
    (r"GA10[2-7]", "ampere"),
    (r"TU1\d\d", "turing"),
    (r"GV1\d\d", "volta"),
    (r"GP10[2-8]", "pascal"),
    (r"GM[12]\d\d", "maxwell"),
    (r"GK[12]\d\d", "kepler"),
    (r"GF1\d\d", "fermi"),
    (r"G[89]\d|GT2\d\d|C7[7-9]|MCP7[79A]|MCP89", "tesla"),
    (r"NV4\d|G7\d|C51|C6[178]|C73", "curie"),
    (r"NV3\d", "rankine"),
    (r"NV1[0-9A-F]|NV2\d", "celsius"),
    (r"NV[0-6]\b|NV0A", "riva"),
]
# The chipsets' own codes (C51-C79, MCP) name their graphics only by product.
NVIDIA_CHIPSET = r"^(C\d|MCP)"
NVIDIA_CHIPSET_GPU = r"GeForce|\bION\b|Quadro|\bNVS\b"
NVIDIA_PROFESSIONAL = r"Quadro|Tesla|\bNVS\b|GRID|\bRTX A\d|\bRTX PRO\b|Ada Generation|DRIVE|\bCMP\b|\bP10[246][-M]"
NVIDIA_NOTEBOOK = r"Mobile|Laptop|Max-Q|\bGo\b"

# AMD: the code name before the product names in brackets; with several
# ("Picasso/Raven 2"), the first. Longer names are listed before the shorter
# names they begin with.
AMD_CHIPS = [
    (r"Navi 4[48]", "rdna4"),
    (r"Strix Halo|Strix|Krackan2?", "rdna35"),
    (r"Navi 3[123]|Phoenix[12]?|HawkPoint[12]", "rdna3"),
    (r"Navi 2[1-4]|Rembrandt|Mendocino|Raphael|Granite Ridge", "rdna2"),
    (r"Navi 1[024]", "rdna1"),
    (r"Aqua Vanjaram|Aldebaran|Arcturus", "amd-datacenter"),
    (r"Vega 1[02]|Vega 20|Raven Ridge|Raven|Picasso|Renoir|Cezanne|Lucienne|Barcelo", "vega"),
    (r"Polaris ?\d+|Ellesmere|Baffin|Lexa", "polaris"),
    (r"Fiji|Tonga|Amethyst|Antigua|Iceland|Topaz|Meso|Hawaii|Grenada|Vesuvius|Bonaire|Tobago|Saturn"
     r"|Tahiti|Malta|Pitcairn|Curacao|Trinidad|Cape Verde|Oland|Hainan|Mars|Opal|Sun|Jet|Exo|Venus"
     r"|Heathrow|Chelsea|Wimbledon|Neptune|Tropo|Kaveri|Godavari|Kabini|Temash|Mullins|Beema"
     r"|Carrizo|Wani|Stoney", "gcn"),
    (r"Cypress|Hemlock|Juniper|Redwood|Cedar|Broadway|Madison|Park|Pinewood|Granville|Lexington"
     r"|Robson|Cayman|Antilles|Barts|Blackcomb|Turks|Whistler|Onega|Caicos|Seymour|Thames|Sumo"
     r"|SuperSumo|Wrestler|Trinity|Richland", "terascale2"),
    (r"R600|RV6[1-7]\d|R680|RV7[0-9]\d|R700|RS780\w*|RS880\w*", "terascale1"),
    (r"R3[0-9]0|RV3[5-8]0\w*|R4[0-9]\d|RV4[0-9]0|R5[0-8]0\+?|RV5[0-7]\d\w*|RS4[0-9]\d\w*|RC410\w*"
     r"|RS600\w*|RS690\w*|RS740|RS3[05]0\w*|ES1000", "r300"),
    (r"R[12]00|RV[12][05]0|RV280|RS[12][05]0\w*|Rage|Mach ?64|3D Rage|M1|All-In-Wonder 128|68800\w*"
     r"|210888\w*|215CT|264\w*", "ati-older"),
    (r"Cyan Skillfish|Sephiroth|VanGogh|Ariel|Oberon|Fenghuang|Kryptos|Liverpool|Bishop|Starsha2?"
     r"|Starshp|Gladius|Jupiter|Garfield|Arlene|Pooky|Anubis|Arden|Nolan|Amur|Crayola|XENOS", "amd-embedded"),
]
AMD_PROFESSIONAL = (
    r"FirePro|FireGL|FireMV|FireStream|Radeon Pro\b|Radeon PRO\b|Instinct|Radeon Sky|MxGPU|AI PRO"
    r"|Barco|Stream Processor|Frontier|Radeon E\d{4}|\bGL\b|\bGL[A-Z-]|WKS-|\bV[34]\d0\b|BC-160"
)
# Product names that make a device a consumer card even when it is also sold
# as a professional one under the same id.
AMD_CONSUMER = r"Radeon (RX|HD|R[2-9]|VII|Vega \d|\d{3}|Graphics)|Mobility Radeon|Radeon Xpress"
AMD_EMBEDDED_NAMES = r"PlayStation|Playstation|Xbox|XBOX|Steam Machine|Custom GPU"

# Intel names carry the code name in many spellings ("CoffeeLake-S GT2",
# "Coffee Lake-S GT2", "UHD Graphics 630"); the first pattern that matches
# wins. Only names that say they are graphics are tried (INTEL_GPU).
INTEL_GPU = (
    r"Graphics|\bGT[1-4]|\bGT1\.5|\bXe\b|\bXe\d|\bArc\b|Iris|\bUHD\b|GPU|Battlemage|\bDG[12]\b|\bSG1\b"
    r"|\bGMA\b|Graphics Media Accelerator|\bCGC\b|AGP Graphics|Graphics & Display|PTL-H12Xe|Arctic Sound"
)
INTEL_NAMES = [
    (r"Data Center GPU|Ponte Vecchio|ATS-M|Arctic Sound|Server GPU|\bSG1\b", "intel-datacenter"),
    (r"Battlemage|Lunar ?Lake|Core Ultra 200V|Panther ?Lake|PTL-|Wildcat ?Lake", "xe2-xe3"),
    (r"\bDG2\b|Alchemist|ACMP|Meteor ?Lake|Arrow ?Lake", "xe-hpg"),
    (r"\bDG1\b|Iris Xe MAX|Tiger ?Lake|Rocket ?Lake|Alder ?Lake|Twin ?Lake|Raptor ?Lake", "xe-lp"),
    (r"Ice ?Lake|Iris Plus Graphics G\d|Lakefield|Jasper ?Lake|Elkhart ?Lake", "gen11"),
    (r"Kaby ?Lake|Amber ?Lake|Coffee ?Lake|Whiskey ?Lake|Comet ?Lake|Gemini ?Lake"
     r"|UHD Graphics 6\d\d\b|HD Graphics 6[1-3]\d\b|Iris Plus Graphics 6[4-5]\d\b", "gen9.5"),
    (r"Sky ?[Ll]ake|Apollo ?Lake|HD Graphics 5[0-3]\d\b|Iris (Pro )?Graphics P?5[4-8]\d\b", "gen9"),
    (r"Broadwell|Braswell|Cherry ?Trail|x5-E8000/J3xxx/N3xxx", "gen8"),
    (r"Haswell|Crystal Well|4th Gen(eration)? Core|Xeon E3-1200 v3", "gen7.5"),
    (r"Ivy ?Bridge|3rd Gen Core|Xeon E3-1200 v2|Z36xxx/Z37xxx|Bay ?Trail|Valleyview", "gen7"),
    (r"Sandy ?Bridge|2nd Generation Core|Xeon E3-1200 (Processor Family|/2nd)", "gen6"),
    (r"Core Processor Integrated Graphics|Ironlake|\bGMA\b|Graphics Media Accelerator|4 Series Chipset"
     r"|G3[35]|Q3[35]|965|946GZ|945G|915G|910GL|E7221|865G|855GM|852|854|845G|830M|815|810|i740"
     r"|82752|Atom Processor|Poulsbo|Timna|Moorestown|LE80578", "intel-older"),
]
INTEL_PROFESSIONAL = r"Arc Pro\b"

# Devices whose names carry no code name at all, by id.
EXTRA_IDS = {
    "VEN_8086&DEV_46A1": "xe-lp",  # "UHD Graphics": Alder Lake-P
}

# Entries for one subsystem or revision of a device, checked before the
# device's own entry: "VEN_xxxx&DEV_xxxx&SUBSYS_xxxxxxxx[&REV_xx]" ->
# "family[ notebook|professional]". Empty until a device needs one.
OVERRIDES = {}
