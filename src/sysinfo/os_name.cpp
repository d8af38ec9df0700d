#include "sysinfo/os_name.h"

namespace {

// Windows Vista and later: named by version (and for servers by build), which
// the older naming scheme got wrong for every one of them.
std::string ModernName(const OsVersionFacts& f) {
  const bool server = f.haveExtended && f.productType != 1;
  if (f.major == 6) {
    static const char* const kDesktop[] = {"Windows Vista", "Windows 7", "Windows 8",
                                           "Windows 8.1"};
    static const char* const kServer[] = {"Windows Server 2008", "Windows Server 2008 R2",
                                          "Windows Server 2012", "Windows Server 2012 R2"};
    if (f.minor <= 3) return server ? kServer[f.minor] : kDesktop[f.minor];
  }
  if (f.major == 10 && f.minor == 0) {
    if (server) {
      if (f.build >= 20348) return "Windows Server 2022";
      if (f.build >= 17763) return "Windows Server 2019";
      return "Windows Server 2016";
    }
    return f.build >= 22000 ? "Windows 11" : "Windows 10";
  }
  return "Windows " + std::to_string(f.major) + "." + std::to_string(f.minor);
}

std::string EditionSuffix(const OsVersionFacts& f) {
  std::string suffix;
  if (f.productType == 1) {
    if (f.major == 5 && f.minor == 1) {
      suffix = (f.suiteMask & 0x0200) ? " Home Edition" : " Professional Edition";
    } else if (f.major == 5 && f.minor == 0) {
      suffix = " Professional";
    } else if (f.major == 4) {
      suffix = " Workstation";
    }
  } else if (f.productType == 2 || f.productType == 3) {
    if (f.major == 5) {
      if (f.suiteMask & 0x0002) suffix += " Advanced";
      if (f.suiteMask & 0x0080) suffix += " DataCenter";
      if (f.suiteMask & 0x0010) suffix += " Terminal";
      if (f.suiteMask & 0x0004) suffix += " BackOffice";
      suffix += " Server";
    } else if (f.major == 4 && f.minor == 0) {
      suffix += " Server";
    }
    if (f.productType == 2) suffix += " Domain Controller";
  }
  return suffix;
}

}  // namespace

int ServicePackNumber(const std::string& serviceText) {
  for (char digit = '1'; digit <= '9'; ++digit) {
    if (serviceText.find(digit) != std::string::npos) return digit - '0';
  }
  return 0;
}

std::string OsNameFromVersion(const OsVersionFacts& f) {
  if (!f.isNT) {
    std::string name;
    if (f.minor == 0) name = "Windows 95";
    else if (f.minor == 10) name = "Windows 98";
    else if (f.minor == 90) name = "Windows ME";
    return name + f.serviceText;
  }

  const int servicePack = ServicePackNumber(f.serviceText);
  std::string name;
  if (f.major == 4) {
    name = "Windows NT 4.0";
  } else if (f.major == 5) {
    if (f.minor == 0) name = "Windows 2000";
    else if (f.minor == 1) name = "Windows XP";
  } else if (f.major >= 6) {
    name = ModernName(f);
  }
  if ((f.major >= 5 || servicePack >= 6) && f.haveExtended) name += EditionSuffix(f);
  if (servicePack != 0) name += " " + f.serviceText;
  return name;
}

std::string FreeDiskSpaceLine(unsigned long long freeGb, unsigned long long totalGb) {
  return "Free Disk Space : " + std::to_string(freeGb) + " GB of " + std::to_string(totalGb) +
         " GB";
}
