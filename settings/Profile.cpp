#include "settings/Profile.h"

#include "common/TextConvert.h"
#include "settings/ProfileGroups.h"
#include "settings/ProfileText.h"

namespace profile {

const char* const kPageNames[kPageCount] = {"Panel",     "BID",    "Ethernet",  "WiFi",
                                            "Bluetooth", "Serial", "UserDefine"};

namespace {

bool Refuse(Error* error, const Place& at, const std::string& message) {
  error->line = at.line;
  error->origin = at.origin;
  error->message = message;
  return false;
}

std::string ItemText(const pagelists::Item& item) {
  return item.key ? EnglishText(item.key) : WideToUtf8(item.fixed);
}

std::string CodePageName(const TextCodec& codec) {
  return codec.codePage ? "the system code page (" + std::to_string(codec.codePage) + ")"
                        : std::string("the system code page");
}

std::string UnknownSection(const std::string& name) {
  return "unknown section [" + name + "] (known: Panel, BID, Ethernet, WiFi, Bluetooth, Serial, UserDefine)";
}

int FindSection(const std::string& name) {
  for (int i = 0; i < kPageCount; ++i) {
    if (SameName(name, kPageNames[i])) return i;
  }
  return -1;
}

const EntryDef* FindEntry(int page, const std::string& name, const GroupDef** group = nullptr) {
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      if (g.page != page || !SameName(name, e.name)) continue;
      if (group) *group = &g;
      return &e;
    }
  }
  return nullptr;
}

// A section whose entries hold a secret: any text out of its place there
// may be the secret, so messages mask it.
bool HoldsSecret(int page) {
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      for (const Field& f : e.fields) {
        if (g.page == page && f.secret) return true;
      }
    }
  }
  return false;
}

bool EntryGiven(const EntryDef& e, const Profile& p) { return e.given(const_cast<Profile&>(p)); }

// The group's place: its first line in the file; else the first override
// that gave one of its entries.
Place GroupPlace(const GroupDef& g, const Profile& p) {
  Place place;
  for (const EntryDef& e : g.entries) {
    if (!EntryGiven(e, p)) continue;
    const Place& at = p.places[e.id];
    if ((at.line > 0 && (place.line == 0 || at.line < place.line)) || (place.line == 0 && place.origin.empty())) {
      place = at;
    }
  }
  return place;
}

enum class Secrets { Leave, Write, Mask };

// An entry's values as a file holds them.
std::string FormatValues(const EntryDef& e, const GroupDef& g, const Profile& p, Secrets secrets) {
  Profile& q = const_cast<Profile&>(p);  // the accessors only read here
  std::string out;
  for (const Field& f : e.fields) {
    if (!f.AppliesTo(p)) continue;
    std::string value;
    if (f.kind == Kind::Choice) {
      const int i = f.index(p);
      value = i >= 0 && static_cast<size_t>(i) < f.list->count ? ItemText(f.list->items[i]) : std::string();
    } else if (f.kind == Kind::Address) {
      value = commands::DottedAddress(f.address(q));
    } else if (f.secret) {
      if (secrets == Secrets::Leave || !p.secretHeld[g.id]) continue;
      value = Quote(secrets == Secrets::Mask ? Masked(f.text(q)) : f.text(q));
    } else {
      value = f.noun ? Quote(f.text(q)) : Bare(f.text(q));
    }
    out += (out.empty() ? "" : ", ") + value;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Reading: each entry's values into the fields the table names.

class Reader {
 public:
  Reader(Profile* out, Error* error) : p_(*out), error_(error) {}

  // One entry of the file, or an override of one.
  bool Read(int page, const std::string& name, const std::string& value, const Place& place);

 private:
  bool Fail(const std::string& message) { return Refuse(error_, place_, message); }
  bool Choose(const std::string& entry, const Value& value, const pagelists::List& list, int* index);
  bool Store(const EntryDef& e, const GroupDef& g, const std::string& name, const std::vector<Value>& values);
  // A value or a name as a message shows it: masked where it may be a secret.
  std::string Shown(const std::string& value) const {
    return "\"" + (HoldsSecret(page_) ? Masked(value) : value) + "\"";
  }
  std::string EntryName(const std::string& name, bool quoted = false) const {
    if (HoldsSecret(page_) && !FindEntry(page_, name)) return "\"" + Masked(name) + "\"";
    return quoted ? "\"" + name + "\"" : name;
  }

  Profile& p_;
  Error* error_;
  Place place_;
  int page_ = -1;
  bool seen_[2][kEntryCount] = {};  // given by the file, by an override
};

bool Reader::Choose(const std::string& entry, const Value& value, const pagelists::List& list, int* index) {
  std::string allowed;
  for (size_t i = 0; i < list.count; ++i) {
    const std::string text = ItemText(list.items[i]);
    if (SameName(text, value.text) || (list.items[i].alias && SameName(list.items[i].alias, value.text))) {
      *index = static_cast<int>(i);
      return true;
    }
    allowed += (i ? ", " : "") + text;
  }
  return Fail(entry + ": " + Shown(value.text) + " is not one of: " + allowed);
}

bool Reader::Read(int page, const std::string& name, const std::string& value, const Place& place) {
  place_ = place;
  page_ = page;
  if (value.empty()) return Fail(EntryName(name) + ": the value is missing");
  const GroupDef* g = nullptr;
  const EntryDef* e = FindEntry(page, name, &g);
  if (!e) return Fail("unknown entry " + EntryName(name, true) + " in [" + kPageNames[page] + "]");
  bool& seen = seen_[place.origin.empty() ? 0 : 1][e->id];
  if (seen) return Fail("entry " + name + " is given twice in [" + kPageNames[page] + "]");
  seen = true;
  e->given(p_) = true;
  p_.places[e->id] = place;
  p_.secretHeld[g->id] = false;

  std::vector<Value> values;
  std::string why;
  if (!SplitValues(value, &values, &why)) return Fail(name + ": " + why);
  size_t min = 0, max = 0;
  for (const Field& f : e->fields) {
    if (!f.alternative) ++max;
    if (!f.applies && !f.secret) ++min;
  }
  if (values.size() < min || values.size() > max) {
    const std::string count = min == max ? std::to_string(min) : std::to_string(min) + " to " + std::to_string(max);
    return Fail(name + ": expected " + count + " values separated by commas, found " + std::to_string(values.size()));
  }
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i].text.empty() && !values[i].quoted) {
      return Fail(name + ": value " + std::to_string(i + 1) + " is missing");
    }
  }
  return Store(*e, *g, name, values);
}

// The values into the fields that apply, in order: a choice may decide
// which fields follow (the Wi-Fi security).
bool Reader::Store(const EntryDef& e, const GroupDef& g, const std::string& name,
                   const std::vector<Value>& values) {
  size_t at = 0;
  for (const Field& f : e.fields) {
    if (!f.AppliesTo(p_)) continue;
    if (at >= values.size()) {
      if (f.secret) break;
      return Fail(name + ": " + f.missing);
    }
    const Value& v = values[at++];
    if (f.kind == Kind::Choice) {
      int index = 0;
      if (!Choose(name, v, *f.list, &index)) return false;
      f.choose(p_, index);
    } else if (f.kind == Kind::Address) {
      if (!commands::ParseDottedAddress(v.text, &f.address(p_))) {
        return Fail(std::string(e.name) + ": \"" + v.text + "\" is not an IPv4 address");
      }
    } else {
      f.text(p_) = v.text;
      if (f.secret) p_.secretHeld[g.id] = true;
    }
  }
  return at == values.size() || Fail(name + ": " + e.tooMany);
}

// ---------------------------------------------------------------------------
// Building: a group's texts in the code page, then its encoder. A profile
// is checked by building every group.

class Builder {
 public:
  Builder(const Profile& p, const TextCodec& codec, bool standIns, Error* error)
      : p_(p), wire_(p), codec_(codec), standIns_(standIns), error_(error) {}

  // The group's send; false with the error that stops it.
  bool Add(const GroupDef& g, Send* send);

 private:
  bool Convert(const GroupDef& g, const EntryDef& e, const Field& f);

  const Profile& p_;
  Profile wire_;  // the profile with its texts in the code page
  const TextCodec& codec_;
  bool standIns_;
  Error* error_;
};

bool Builder::Convert(const GroupDef& g, const EntryDef& e, const Field& f) {
  const Place& place = p_.places[e.id];
  std::string& text = f.text(wire_);
  if (f.secret && !p_.secretHeld[g.id]) {
    if (!standIns_) return Refuse(error_, place, g.noSecret);
    text = f.standIn;
  }
  const std::string named = f.secret ? f.noun : std::string(f.noun) + " \"" + text + "\"";
  std::string ansi = text;
  if (codec_.toAnsi && !codec_.toAnsi(text, &ansi)) {
    return Refuse(error_, place, named + " has characters " + CodePageName(codec_) + " cannot send");
  }
  if (f.maxBytes && ansi.size() > f.maxBytes) {
    const std::string most = "; the printer takes at most " + std::to_string(f.maxBytes);
    const std::string size = std::to_string(ansi.size());
    if (f.maxUnit) return Refuse(error_, place, named + " has " + size + " characters" + most + " " + f.maxUnit);
    return Refuse(error_, place, named + " has " + size + " bytes" +
                                     (codec_.toAnsi ? " in " + CodePageName(codec_) : std::string()) + most);
  }
  text = ansi;
  return true;
}

bool Builder::Add(const GroupDef& g, Send* send) {
  Place place = GroupPlace(g, p_);
  if (g.excludes != kGroupCount && IsGiven(p_, g.excludes)) {
    const Place other = GroupPlace(Groups()[g.excludes], p_);
    return Refuse(error_, place.origin.empty() && !other.origin.empty() ? other : place, g.excludeMessage);
  }
  for (const EntryDef& e : g.entries) {
    for (const Field& f : e.fields) {
      if (EntryGiven(e, p_) && f.noun && f.AppliesTo(p_) && !Convert(g, e, f)) return false;
    }
  }
  commands::Encoded encoded = g.encode(wire_, codec_.isLeadByte);
  if (!encoded.Ok()) {
    for (const auto& [key, message] : g.messages) {
      if (key == encoded.errorKey) return Refuse(error_, place, message);
    }
    for (const EntryDef& e : g.entries) {
      for (const Field& f : e.fields) {
        if (EntryGiven(e, p_) && (f.keys[0] == encoded.errorKey || f.keys[1] == encoded.errorKey)) {
          place = p_.places[e.id];
        }
      }
    }
    return Refuse(error_, place, encoded.errorLead + EnglishText(encoded.errorKey));
  }
  *send = Send{g.page, g.name, place.line, std::move(encoded.bytes), g.perPrinter, g.reach, std::string(), false};
  for (const EntryDef& e : g.entries) {
    if (!EntryGiven(e, p_)) continue;
    send->values += (send->values.empty() ? "" : "; ") + std::string(e.name) + " = " +
                    FormatValues(e, g, p_, Secrets::Mask);
    send->fromOverride = send->fromOverride || !p_.places[e.id].origin.empty();
  }
  return true;
}

bool Build(const Profile& p, const TextCodec& codec, unsigned onlyPages, bool standIns,
           std::vector<Send>* sends, Error* error) {
  Builder builder(p, codec, standIns, error);
  sends->clear();
  for (const GroupDef& g : Groups()) {
    if ((onlyPages & (1u << g.page)) == 0 || !IsGiven(p, g.id)) continue;
    Send send{};
    if (!builder.Add(g, &send)) return false;
    sends->push_back(std::move(send));
  }
  return true;
}

}  // namespace

bool IsGiven(const Profile& p, Group group) {
  for (const EntryDef& e : Groups()[group].entries) {
    if (EntryGiven(e, p)) return true;
  }
  return false;
}

bool HasSecrets(const Profile& p) {
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      for (const Field& f : e.fields) {
        if (f.secret && EntryGiven(e, p) && f.AppliesTo(p)) return true;
      }
    }
  }
  return false;
}

std::string Error::Text() const {
  if (!origin.empty()) return origin + ": " + message;
  return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

bool IsKnownEntry(const std::string& section, const std::string& entry) {
  const int page = FindSection(section);
  return page >= 0 && FindEntry(page, entry) != nullptr;
}

bool Parse(const std::string& text, const TextCodec& codec, Profile* out, Error* error) {
  return Parse(text, codec, {}, out, error);
}

bool Parse(const std::string& text, const TextCodec& codec, const std::vector<Override>& overrides,
           Profile* out, Error* error) {
  Profile p;
  Reader reader(&p, error);
  Place here;
  if (text.size() > kMaxProfileBytes) {
    return Refuse(error, here, "the file is larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB");
  }
  int page = -1;
  bool sections[kPageCount] = {};
  for (size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++here.line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (unsigned char c : line) {
      if (c < 0x20 && c != '\t') return Refuse(error, here, "not a text file (control byte " + std::to_string(c) + ")");
    }
    size_t badAt = 0;
    if (!IsValidUtf8(line, &badAt)) {
      return Refuse(error, here, "not UTF-8 text (column " + std::to_string(badAt + 1) + ")");
    }
    const std::string trimmed = Trim(line);
    const size_t equals = trimmed.find('=');
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    if (trimmed[0] == '[') {
      if (trimmed.back() != ']') return Refuse(error, here, "a section name must end with ]");
      const std::string name = Trim(trimmed.substr(1, trimmed.size() - 2));
      page = FindSection(name);
      if (page < 0) return Refuse(error, here, UnknownSection(name));
      if (sections[page]) return Refuse(error, here, "section [" + std::string(kPageNames[page]) + "] is given twice");
      sections[page] = true;
    } else if (equals == std::string::npos) {
      return Refuse(error, here, "expected Name = value");
    } else if (page < 0) {
      return Refuse(error, here, "an entry before the first section");
    } else if (Trim(trimmed.substr(0, equals)).empty()) {
      return Refuse(error, here, "an entry without a name");
    } else if (!reader.Read(page, Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1)), here)) {
      return false;
    }
  }
  for (const Override& o : overrides) {
    Place from;
    from.origin = o.origin;
    const int section = FindSection(o.section);
    if (section < 0) return Refuse(error, from, UnknownSection(o.section));
    if (!reader.Read(section, Trim(o.entry), Trim(o.value), from)) return false;
  }
  std::vector<Send> sends;
  if (!Build(p, codec, ~0u, true, &sends, error)) return false;
  *out = std::move(p);
  return true;
}

std::string Format(const Profile& p, bool secrets) {
  std::string out = "; Setwright profile (UTF-8)\n";
  int section = -1;
  for (const GroupDef& g : Groups()) {
    for (const EntryDef& e : g.entries) {
      if (!EntryGiven(e, p)) continue;
      if (section != g.page) out += std::string("\n[") + kPageNames[g.page] + "]\n";
      section = g.page;
      out += std::string(e.name) + " = " + FormatValues(e, g, p, secrets ? Secrets::Write : Secrets::Leave) + "\n";
    }
  }
  return out;
}

bool BuildSends(const Profile& p, const TextCodec& codec, unsigned onlyPages, std::vector<Send>* sends,
                Error* error) {
  return Build(p, codec, onlyPages, false, sends, error);
}

}  // namespace profile
