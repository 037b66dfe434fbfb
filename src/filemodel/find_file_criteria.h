// What the find-file dialogs search the found-file tree by: a name pattern,
// a list of file masks and, optionally, encrypted files only.
#pragma once

#include <string_view>

#include "filemodel/file_filter.h"
#include "filemodel/name_pattern.h"

struct FindFileCriteria {
  qm::NameRegex nameExpression;
  qm::NameRegex typeListExpression;
  CFileAttributeFilter attributeFilter{kFilterAnything};

  // pattern: the name pattern as typed (mode kWildcardNamePart or
  // kWildcardFileMask); typeList: masks separated by ";" (empty: any type).
  void Set(std::string_view pattern, bool caseSensitive, bool wholeName, int mode, std::string_view typeList,
           bool encryptedOnly);

  // A file matches when its name matches both expressions and its
  // attributes pass the filter.
  bool IsMatch(IFileProperties* properties);
};
