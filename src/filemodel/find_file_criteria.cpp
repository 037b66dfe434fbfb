#include "filemodel/find_file_criteria.h"

#include <string>

void FindFileCriteria::Set(std::string_view pattern, bool caseSensitive, bool wholeName, int mode,
                           std::string_view typeList, bool encryptedOnly) {
  nameExpression = WildcardToRegex(pattern, caseSensitive, wholeName, mode);
  typeListExpression = BuildTypeListRegex(typeList);
  attributeFilter = CFileAttributeFilter(encryptedOnly ? qm::kAttrEncrypted : kFilterAnything);
}

bool FindFileCriteria::IsMatch(IFileProperties* properties) {
  if (properties == nullptr) return false;
  std::string_view name(properties->GetName());
  return nameExpression.Matches(name) && typeListExpression.Matches(name) &&
         attributeFilter.IsMatch(properties);
}
