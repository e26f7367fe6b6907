// The table behind profiles: one row per setting group, with its entries
// and their fields, the encoder it feeds and its traits. Reading, checking,
// writing and building a profile all walk this table; adding a setting
// group is a row here and its encoder. Platform-free.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings/PageLists.h"
#include "settings/Profile.h"

namespace profile {

enum class Kind { Choice, Text, Address };

// One comma-separated value of an entry and where the profile holds it.
struct Field {
  Kind kind = Kind::Text;
  const pagelists::List* list = nullptr;     // Choice: the page's list
  int (*index)(const Profile&) = nullptr;    // Choice: the chosen item
  void (*choose)(Profile&, int) = nullptr;
  std::string& (*text)(Profile&) = nullptr;  // Text
  uint32_t& (*address)(Profile&) = nullptr;  // Address, written dotted
  // A text sent as it is: converted to the code page when the group is
  // built, named so in messages, written in quotes.
  const char* noun = nullptr;
  bool secret = false;            // never shown; may be left out (the last field)
  const char* standIn = nullptr;  // a secret left out is checked as this
  size_t maxBytes = 0;            // in the code page; 0: the encoder's own limits
  const char* maxUnit = nullptr;  // the limit counts characters of this unit ("digits")
  // A field that applies only in some cases, and the reason when it applies
  // but is not given; an alternative stands where the field before it does.
  bool (*applies)(const Profile&) = nullptr;
  const char* missing = nullptr;
  bool alternative = false;
  const char* keys[2] = {};  // the encoder's input errors about this value

  bool AppliesTo(const Profile& p) const { return !applies || applies(p); }
};

// One "Name = values" line.
struct EntryDef {
  Entry id;
  const char* name;
  bool& (*given)(Profile&);  // the input's tick, or the group's flag
  std::vector<Field> fields;
  const char* tooMany = nullptr;  // the reason when more values than apply are given
};

// One send: its entries, its encoder and its traits.
struct GroupDef {
  Group id;
  const char* name;  // as sends and targets files name it
  Page page;
  std::vector<EntryDef> entries;
  commands::Encoded (*encode)(const Profile& wire, commands::LeadBytePredicate isLeadByte);
  bool perPrinter = false;
  Reach reach = Reach::None;
  // The profile's own messages for some of the encoder's input errors.
  std::vector<std::pair<const char*, const char*>> messages = {};
  Group excludes = kGroupCount;  // a group that cannot be given with this one
  const char* excludeMessage = nullptr;
  const char* noSecret = nullptr;  // why an apply needs the secret a file left out
};

// In Group order.
const std::vector<GroupDef>& Groups();

}  // namespace profile
