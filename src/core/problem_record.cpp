#include "core/problem_record.h"

#include "core/registry.h"

std::string ErrorType(const ProblemRecord& record) {
  if (record.errorType == kRegistryError) return record.isValue ? "REG_VALUE" : "REG_KEY";
  if (record.errorType == kFileError) return "FILE";
  return "";
}

std::string ProblemLogBlock(const std::string& sectionName, const ProblemRecord& record) {
  if (record.errorType == kRegistryError) {
    return "Section : " + sectionName + " \r\n" +
           "Key : " + RootKeyName(record.rootKey) + "\\" + record.keyPath + "\r\n" +
           "ValueName : " + record.valueName + "\r\n" +
           "Value : " + record.valueData + "\r\n\r\n";
  }
  return "Section : " + sectionName + "\r\n" +
         "Link Path = " + record.linkPath + "\r\n" +
         "Target Path = " + record.targetPath + "\r\n\r\n";
}
