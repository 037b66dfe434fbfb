#include "preview/rtf_reader.h"

#include <array>
#include <cctype>
#include <fstream>

namespace qm {
namespace {

// Windows-1252 characters 0x80-0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char32_t FromCp1252(std::uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char32_t>(byte);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Destinations whose text is not part of the document.
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {"fonttbl",
                                                  "stylesheet",
                                                  "info",
                                                  "pict",
                                                  "object",
                                                  "themedata",
                                                  "colorschememapping",
                                                  "listtable",
                                                  "listoverridetable",
                                                  "rsidtbl",
                                                  "generator",
                                                  "latentstyles",
                                                  "datastore",
                                                  "xmlnstbl",
                                                  "filetbl",
                                                  "revtbl",
                                                  "header",
                                                  "footer",
                                                  "headerl",
                                                  "headerr",
                                                  "footerl",
                                                  "footerr",
                                                  "fldinst",
                                                  "nonshppict",
                                                  "shp",
                                                  "bkmkstart",
                                                  "bkmkend"};
  for (std::string_view skipped : kSkipped)
    if (word == skipped) return true;
  return false;
}

struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int halfPoints = 24;
  int colorIndex = 0;
};

struct GroupState {
  CharFormat format;
  bool skip = false;       // text of this group is not shown
  bool colorTable = false; // this group is the colour table
  int unicodeSkip = 1;     // \ucN: characters after \uN to skip
};

class Reader {
public:
  explicit Reader(std::string_view bytes) : in_(bytes) { document_.paragraphs.emplace_back(); }

  RtfDocument Run() {
    GroupState state;
    bool ignorableNext = false;
    std::size_t pendingSkip = 0; // fallback characters after \uN still to skip
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        if (stack_.size() >= static_cast<std::size_t>(kRtfMaxDepth)) {
          SkipGroup();
          ++document_.skippedDeepGroups;
          continue;
        }
        stack_.push_back(state);
        state.colorTable = false;
        ignorableNext = false;
        pendingSkip = 0;
        groupStart_ = true;
        continue;
      }
      if (c == '}') {
        ++pos_;
        if (state.colorTable) FinishColor(true);
        if (stack_.empty()) break; // the document's closing brace
        state = stack_.back();
        stack_.pop_back();
        pendingSkip = 0;
        groupStart_ = false;
        continue;
      }
      if (c == '\r' || c == '\n') {
        ++pos_;
        continue;
      }
      if (c != '\\') {
        ++pos_;
        groupStart_ = false;
        if (pendingSkip > 0) {
          --pendingSkip;
          continue;
        }
        if (state.colorTable) {
          if (c == ';') FinishColor(false);
          continue;
        }
        if (state.skip) continue;
        if (static_cast<unsigned char>(c) < 0x80 && highSurrogate_ == 0) {
          // A run of plain ASCII text is appended in one piece.
          std::size_t end = pos_;
          while (end < in_.size() && static_cast<unsigned char>(in_[end]) < 0x80 && in_[end] != '\\' &&
                 in_[end] != '{' && in_[end] != '}' && in_[end] != '\r' && in_[end] != '\n')
            ++end;
          lastFormat_ = state.format;
          AppendAscii(state.format, in_.substr(pos_ - 1, end - pos_ + 1));
          pos_ = end;
          continue;
        }
        Emit(state, FromCp1252(static_cast<std::uint8_t>(c)));
        continue;
      }
      // A control word or symbol.
      ++pos_;
      if (pos_ >= in_.size()) break;
      const char symbol = in_[pos_];
      if (!std::isalpha(static_cast<unsigned char>(symbol))) {
        ++pos_;
        const bool wasGroupStart = groupStart_;
        groupStart_ = false;
        if (symbol == '*') {
          if (wasGroupStart) state.skip = true; // an ignorable destination we do not know
          ignorableNext = true;
          continue;
        }
        if (symbol == '\'') {
          int value = -1;
          if (pos_ + 1 < in_.size()) {
            const int high = HexValue(in_[pos_]);
            const int low = HexValue(in_[pos_ + 1]);
            if (high >= 0 && low >= 0) value = high * 16 + low;
          }
          if (value >= 0) pos_ += 2;
          if (pendingSkip > 0) {
            --pendingSkip;
            continue;
          }
          if (value >= 0 && !state.skip && !state.colorTable)
            Emit(state, FromCp1252(static_cast<std::uint8_t>(value)));
          continue;
        }
        if (pendingSkip > 0) {
          --pendingSkip;
          continue;
        }
        if (state.skip || state.colorTable) continue;
        switch (symbol) {
        case '\\':
        case '{':
        case '}':
          Emit(state, static_cast<char32_t>(symbol));
          break;
        case '~':
          Emit(state, 0x00A0);
          break;
        case '_':
          Emit(state, 0x2011);
          break;
        case '\r':
        case '\n':
          NewParagraph();
          break;
        default:
          break; // \- (optional hyphen), \: and the rest show nothing
        }
        continue;
      }
      // Letters, then an optional signed number, then an optional blank.
      const std::size_t wordStart = pos_;
      while (pos_ < in_.size() && pos_ - wordStart < 32 &&
             std::isalpha(static_cast<unsigned char>(in_[pos_])))
        ++pos_;
      const std::string_view word = in_.substr(wordStart, pos_ - wordStart);
      while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])))
        ++pos_; // an over-long word: the rest is dropped
      bool hasNumber = false;
      bool negative = false;
      long long number = 0;
      if (pos_ < in_.size() && in_[pos_] == '-') {
        negative = true;
        ++pos_;
      }
      std::size_t digits = 0;
      while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
        if (digits < 10) number = number * 10 + (in_[pos_] - '0');
        ++digits;
        ++pos_;
      }
      hasNumber = digits > 0;
      if (negative) number = -number;
      if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
      const bool wasGroupStart = groupStart_;
      groupStart_ = false;
      const bool ignorable = ignorableNext;
      ignorableNext = false;

      if (wasGroupStart && (IsSkippedDestination(word) || ignorable)) {
        state.skip = true;
        continue;
      }
      if (wasGroupStart && word == "colortbl") {
        state.colorTable = true;
        colors_.clear();
        continue;
      }
      if (state.colorTable) {
        if (word == "red") red_ = static_cast<int>(number & 0xFF);
        if (word == "green") green_ = static_cast<int>(number & 0xFF);
        if (word == "blue") blue_ = static_cast<int>(number & 0xFF);
        colorSet_ = true;
        continue;
      }
      if (word == "u" && hasNumber) {
        if (pendingSkip > 0) {
          --pendingSkip;
          continue;
        }
        // Signed 16-bit values stand for code units above 0x7FFF.
        long long unit = number < 0 ? number + 65536 : number;
        if (unit < 0 || unit > 0xFFFF) unit = 0xFFFD;
        if (!state.skip) EmitUnit(state, static_cast<char16_t>(unit));
        pendingSkip = static_cast<std::size_t>(state.unicodeSkip);
        continue;
      }
      if (pendingSkip > 0) {
        --pendingSkip;
        continue;
      }
      ControlWord(state, word, hasNumber, number);
    }
    FlushSurrogate();
    // An empty last paragraph (the usual \par before the closing brace)
    // is dropped.
    if (document_.paragraphs.size() > 1 && document_.paragraphs.back().runs.empty())
      document_.paragraphs.pop_back();
    return std::move(document_);
  }

private:
  void ControlWord(GroupState& state, std::string_view word, bool hasNumber, long long number) {
    const bool on = !hasNumber || number != 0;
    CharFormat& format = state.format;
    if (word == "uc") {
      state.unicodeSkip = hasNumber && number >= 0 && number <= 8 ? static_cast<int>(number) : 1;
    } else if (word == "b") {
      format.bold = on;
    } else if (word == "i") {
      format.italic = on;
    } else if (word == "ul") {
      format.underline = on;
    } else if (word == "ulnone") {
      format.underline = false;
    } else if (word == "fs") {
      // 1 to 3276 half points, as word processors accept.
      if (hasNumber && number > 0 && number <= 3276) format.halfPoints = static_cast<int>(number);
    } else if (word == "cf") {
      format.colorIndex = hasNumber && number >= 0 && number < 65536 ? static_cast<int>(number) : 0;
    } else if (word == "plain") {
      format = CharFormat{};
    } else if (state.skip) {
      return;
    } else if (word == "par" || word == "row") {
      NewParagraph();
    } else if (word == "line") {
      Emit(state, 0x2028);
    } else if (word == "tab" || word == "cell") {
      Emit(state, '\t');
    } else if (word == "emdash") {
      Emit(state, 0x2014);
    } else if (word == "endash") {
      Emit(state, 0x2013);
    } else if (word == "bullet") {
      Emit(state, 0x2022);
    } else if (word == "lquote") {
      Emit(state, 0x2018);
    } else if (word == "rquote") {
      Emit(state, 0x2019);
    } else if (word == "ldblquote") {
      Emit(state, 0x201C);
    } else if (word == "rdblquote") {
      Emit(state, 0x201D);
    }
  }

  // Skips a group nested too deep, counting braces only.
  void SkipGroup() {
    std::size_t depth = 1;
    while (pos_ < in_.size() && depth > 0) {
      const char c = in_[pos_++];
      if (c == '\\') {
        ++pos_; // an escaped brace does not count
      } else if (c == '{') {
        ++depth;
      } else if (c == '}') {
        --depth;
      }
    }
  }

  void FinishColor(bool atGroupEnd) {
    if (atGroupEnd && !colorSet_) return;
    colors_.push_back(colorSet_ ? (red_ << 16) | (green_ << 8) | blue_ : -1);
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
  }

  void EmitUnit(const GroupState& state, char16_t unit) {
    if (unit >= 0xD800 && unit < 0xDC00) {
      FlushSurrogate();
      highSurrogate_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
      if (highSurrogate_ != 0) {
        const char32_t c =
            0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
        highSurrogate_ = 0;
        Emit(state, c);
      } else {
        Emit(state, 0xFFFD);
      }
      return;
    }
    Emit(state, unit);
  }

  void FlushSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    AppendText(lastFormat_, 0xFFFD);
  }

  void Emit(const GroupState& state, char32_t c) {
    if (highSurrogate_ != 0) FlushSurrogate();
    lastFormat_ = state.format;
    AppendText(state.format, c);
  }

  void AppendAscii(const CharFormat& format, std::string_view text) {
    if (text.empty()) return;
    AppendText(format, static_cast<unsigned char>(text[0]));
    text.remove_prefix(1);
    if (text.empty()) return;
    if (output_ >= kRtfMaxOutput) {
      document_.truncated = true;
      return;
    }
    const std::size_t room = kRtfMaxOutput - output_;
    if (text.size() > room) {
      text = text.substr(0, room);
      document_.truncated = true;
    }
    document_.paragraphs.back().runs.back().text.append(text);
    output_ += text.size();
  }

  void AppendText(const CharFormat& format, char32_t c) {
    if (output_ >= kRtfMaxOutput) {
      document_.truncated = true;
      return;
    }
    std::vector<RtfRun>& runs = document_.paragraphs.back().runs;
    const std::int32_t color =
        format.colorIndex > 0 && static_cast<std::size_t>(format.colorIndex) < colors_.size()
            ? colors_[static_cast<std::size_t>(format.colorIndex)]
            : -1;
    if (runs.empty() || runs.back().bold != format.bold || runs.back().italic != format.italic ||
        runs.back().underline != format.underline || runs.back().halfPoints != format.halfPoints ||
        runs.back().color != color) {
      RtfRun run;
      run.bold = format.bold;
      run.italic = format.italic;
      run.underline = format.underline;
      run.halfPoints = format.halfPoints;
      run.color = color;
      runs.push_back(std::move(run));
    }
    const std::size_t before = runs.back().text.size();
    AppendUtf8(runs.back().text, c);
    output_ += runs.back().text.size() - before;
  }

  void NewParagraph() {
    if (output_ >= kRtfMaxOutput) {
      document_.truncated = true;
      return;
    }
    ++output_;
    document_.paragraphs.emplace_back();
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<GroupState> stack_;
  bool groupStart_ = false;
  RtfDocument document_;
  std::vector<std::int32_t> colors_;
  int red_ = 0;
  int green_ = 0;
  int blue_ = 0;
  bool colorSet_ = false;
  char16_t highSurrogate_ = 0;
  CharFormat lastFormat_;
  std::size_t output_ = 0;
};

} // namespace

std::string RtfDocument::PlainText() const {
  std::string text;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (i > 0) text += '\n';
    for (const RtfRun& run : paragraphs[i].runs)
      text += run.text;
  }
  return text;
}

RtfDocument ReadRtf(std::string_view bytes) { return Reader(bytes).Run(); }

bool IsRtfFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return false;
  const std::streamoff size = file.tellg();
  if (size <= 4) return false;
  std::array<char, 512> head{};
  file.seekg(0);
  file.read(head.data(), static_cast<std::streamsize>(std::min<std::streamoff>(size, 512)));
  if (!file) return false;
  static constexpr char kMark[] = "{\\rt";
  for (int i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(head[static_cast<std::size_t>(i)])) != kMark[i]) return false;
  std::array<char, 512> tail{};
  std::streamoff tailSize = std::min<std::streamoff>(size, 512);
  if (size > 512) {
    file.seekg(size - 512);
    file.read(tail.data(), 512);
    if (!file) return false;
  } else {
    tail = head;
  }
  for (std::streamoff i = tailSize; i-- > 0;) {
    const char c = tail[static_cast<std::size_t>(i)];
    if (c == '\r' || c == '\n' || c == '\0') continue;
    return c == '}';
  }
  return false;
}

} // namespace qm
