// Driver catalogue: which vendor package fits which graphics adapter.
//
// rules: tried in order; the first whose "vendor" (PCI vendor number, hex)
// matches and whose "devices" (PCI device numbers, hex, single or "low-high"
// inclusive) hold the adapter's device picks the package. A rule without
// "devices" takes every device of its vendor.
// packages: name, version, release date (YYYY-MM-DD), size in bytes as the
// vendor lists it, and the download address. Addresses starting with "/" are
// taken relative to "base" (the demo catalogue uses that).
//
// Keep the addresses on the vendors' own download hosts; check them against
// the vendors' driver pages at every catalogue update.
window.TessalyCatalogue = {
  base: "",
  packages: {
    "nvidia-game-ready": {
      name: "NVIDIA GeForce Game Ready Driver",
      version: "552.22",
      date: "2024-04-16",
      size: 689446912,
      url: "https://us.download.nvidia.com/Windows/552.22/552.22-desktop-win10-win11-64bit-international-dch-whql.exe",
    },
    "nvidia-kepler": {
      name: "NVIDIA GeForce Driver (Kepler)",
      version: "474.89",
      date: "2024-04-23",
      size: 667385856,
      url: "https://us.download.nvidia.com/Windows/474.89/474.89-desktop-win10-win11-64bit-international-dch-whql.exe",
    },
    "intel-arc-xe": {
      name: "Intel Arc & Iris Xe Graphics Driver",
      version: "31.0.101.5445",
      date: "2024-04-10",
      size: 1319108608,
      url: "https://downloadmirror.intel.com/820984/gfx_win_101.5445.exe",
    },
    "intel-uhd-legacy": {
      name: "Intel 7th-10th Gen Processor Graphics Driver",
      version: "31.0.101.2127",
      date: "2024-02-14",
      size: 539099136,
      url: "https://downloadmirror.intel.com/814433/gfx_win_101.2127.exe",
    },
    "amd-adrenalin": {
      name: "AMD Software: Adrenalin Edition",
      version: "24.3.1",
      date: "2024-03-20",
      size: 683671552,
      url: "https://drivers.amd.com/drivers/whql-amd-software-adrenalin-edition-24.3.1-win10-win11-mar2024.exe",
    },
    "amd-gcn-legacy": {
      name: "AMD Radeon Software Adrenalin (GCN legacy)",
      version: "22.6.1",
      date: "2022-06-23",
      size: 519045120,
      url: "https://drivers.amd.com/drivers/non-whql-radeon-software-adrenalin-2020-22.6.1-win10-win11-64bit-june23-2022.exe",
    },
  },
  rules: [
    // GeForce 600/700 (Kepler) stay on the R470 branch.
    { vendor: "10de", devices: ["0fc0-0fff", "1000-103f", "1180-11ff", "1280-12bf"], package: "nvidia-kepler" },
    // Maxwell, Pascal, Volta, Turing, Ampere, Ada Lovelace.
    { vendor: "10de", devices: ["1340-13ff", "1400-143f", "15f0-15ff", "17c0-17ff", "1b00-1fff", "2180-21ff", "2200-25ff", "2680-28ff"], package: "nvidia-game-ready" },
    // Ice Lake, Tiger Lake, Rocket Lake, Alder/Raptor Lake, DG1, Arc, Meteor Lake.
    { vendor: "8086", devices: ["8a50-8a5f", "9a40-9a7f", "4c80-4c9f", "4600-46ff", "a780-a7ff", "4900-49ff", "4f80-4fff", "5690-56bf", "7d40-7dff"], package: "intel-arc-xe" },
    // Skylake, Kaby Lake, Coffee Lake, Comet Lake, Gemini/Apollo Lake.
    { vendor: "8086", devices: ["1900-193f", "5900-593f", "87c0", "3e90-3eff", "9b00-9bff", "3184-3185", "5a84-5a85"], package: "intel-uhd-legacy" },
    // Polaris, Vega, Navi (RX 5000/6000/7000), Raven Ridge and later APUs.
    { vendor: "1002", devices: ["67c0-67ff", "6980-699f", "694c-694f", "6860-687f", "15d8", "15dd", "15e7", "1636", "1638", "164c", "1681", "7310-73ff", "7420-74ff"], package: "amd-adrenalin" },
    // Radeon HD 7000 to R9 300 (GCN 1 to 3).
    { vendor: "1002", devices: ["6600-67bf", "6798-679f", "6800-683f", "7300"], package: "amd-gcn-legacy" },
  ],
};
