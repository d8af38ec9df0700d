#include "core/section_catalogue.h"

#include "core/product.h"
#include "core/registry.h"

const char* SeverityName(int severity) {
  switch (severity) {
    case kModerate: return "Moderate";
    case kSevere: return "Severe";
    case kCritical: return "Critical";
    default: return "";
  }
}

SectionCatalogue::SectionCatalogue(const std::vector<SectionInfo>& sections) {
  m_vSections.reserve(sections.size());
  for (const SectionInfo& text : sections) {
    ScanSection section;
    section.sectionId = text.sectionId;
    section.name = text.name;
    section.description = text.description;
    section.severity = text.severity;
    section.enabled = LoadSectionEnabled(text.sectionId) ? 1 : 0;
    m_vSections.push_back(std::move(section));
  }
}

ScanSection* SectionCatalogue::Find(int sectionId) {
  for (ScanSection& section : m_vSections) {
    if (section.sectionId == sectionId) return &section;
  }
  return nullptr;
}

const ScanSection* SectionCatalogue::Find(int sectionId) const {
  return const_cast<SectionCatalogue*>(this)->Find(sectionId);
}

void SectionCatalogue::ClearProblems() {
  for (ScanSection& section : m_vSections) {
    section.problems.clear();
    section.ignored = 0;
    section.notChecked = 0;
  }
}

DWORD LoadSectionEnabled(int sectionId) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  DWORD value = 0;
  if (!settings.QueryDwordValue(std::to_string(sectionId), value)) return 0;
  return value;
}

void SaveSectionEnabled(int sectionId, DWORD value) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  settings.SetDwordValue(std::to_string(sectionId), value);
}

bool SettingsKeyExists() {
  CRegistry software(HKEY_CURRENT_USER, "Software");
  return software.SubKeyExists(qb::kMakerName);
}

void InitSettingsKey() {
  CRegistry settings(HKEY_CURRENT_USER);
  settings.CreateKey(qb::kSettingsKeyPath, true);
  settings.SetStringValue("Version", qb::kProductVersion);
  for (int id = 1; id <= 14; ++id) settings.SetDwordValue(std::to_string(id), 1);
}

void SaveSectionSelection(const std::vector<std::pair<ScanSection*, int>>& rows) {
  for (const auto& row : rows) {
    if (row.first == nullptr) continue;
    row.first->enabled = row.second ? 1 : 0;
    SaveSectionEnabled(row.first->sectionId, static_cast<DWORD>(row.first->enabled));
  }
}
