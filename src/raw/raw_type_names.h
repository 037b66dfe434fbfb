// The names of the carved file types, indexed by type id: 0 "Raw", 1 to 73
// the built-in types, 1000 to 1999 handed out at run time to the extension
// names of user-defined header scripts. The whole carving engine, the
// settings' type list and the result tree speak in these ids.
#pragma once

#include <cstddef>
#include <string_view>

#include "filemodel/raw_type_ids.h"

inline constexpr int kRawTypeCount = 2000; // entries of the table
inline constexpr int kFirstCustomRawType = 1000;
inline constexpr std::size_t kRawTypeNameMax = 5; // characters per entry

// The table itself; one for the process.
class RawTypeNames {
public:
  // The name of a type id; "" for an empty entry or an id out of range.
  // The text of an entry never changes once given, so the pointer stays
  // valid.
  static const char* Get(int typeId);

  // The id of a user-defined extension name: the id whose entry already
  // holds the name (compared without regard to case; the entry keeps the
  // spelling met first), else the lowest free id of 1000-1999, which then
  // takes the name. Names longer than five characters are cut to five.
  // Returns -1 when the name is empty or every custom id holds another
  // name. Thread-safe.
  static int AssignCustom(std::string_view name);

  // Empties the custom ids again (tests only: in the program they live as
  // long as the process).
  static void ResetCustomForTest();
};
