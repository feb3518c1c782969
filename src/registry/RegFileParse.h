#pragma once
// Reading a registration file, from its bytes alone (no window, no registry): the header,
// the text encoding, lines and continuations, escapes and data forms, turned into a stream
// of operations with their line numbers. The file is fed in blocks of any size; only the
// line being read and the operation being built are held, so a big file is never kept whole.
//
// Kinds: "REGEDIT4" in the ANSI code page; "Windows Registry Editor Version 5.00" in UTF-16
// LE with a byte order mark, or in UTF-8 (with or without its mark). The encoding comes from
// the byte order mark, the header must be the first line. Lines end with CR LF, LF or CR.
// UTF-16 big-endian or without its mark is refused as such.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum class TRegFileKind { Unknown, Regedit4, Version5 };

enum class TRegOpKind {
  Key,          // create or open the key: later values go there
  DeleteKey,    // delete the key with everything below it
  SetValue,     // write Name with Type and exactly the bytes of Data
  DeleteValue,  // delete the value Name
};

struct TRegOp {
  TRegOpKind Kind = TRegOpKind::Key;
  std::size_t Line = 0;       // the line the key or value starts on (1 is the header)
  int Root = 0;               // index of the predefined root, 0 (HKEY_CLASSES_ROOT) to 6
  std::string Path;           // names below the root joined by "\", "" for the root itself
  std::string Name;           // value name, "" for the default value
  std::uint32_t Type = 0;
  std::string Data;           // the value's bytes; strings in the ANSI code page
  // Read exactly (the 5.00 kind, see TRegFileParser): Path and Name are the stored names in
  // UTF-8 (see Utf8OfStored) and Data holds string data as its UTF-16 bytes.
  bool Exact = false;
  // Not empty when the key or value cannot be written as the file describes it (a name or
  // text the ANSI code page cannot spell): why. Such a key or value is reported, never
  // written under a changed name; the values of such a key are not written either.
  std::string Problem;
};

// Turns UTF-16 text into the ANSI code page; false when some character has no exact
// spelling there (out then holds a stand-in).
using TUtf16ToAnsi = std::function<bool(std::u16string_view text, std::string& out)>;

// Gets each operation as soon as it is whole; false stops the parse (Stopped() is true).
using TRegOpSink = std::function<bool(const TRegOp& op)>;

class TRegFileParser {
 public:
  // With exact, a file of the 5.00 kind is read as it is: names go to the operations in UTF-8
  // and data as the stored bytes (quoted text as UTF-16 with its NUL, the hex forms of the
  // string types byte for byte); toAnsi is then used for REGEDIT4 files only.
  TRegFileParser(TUtf16ToAnsi toAnsi, TRegOpSink sink, bool exact = false);

  // The next bytes of the file. False once the file has proved wrong or the sink stopped.
  bool Feed(std::string_view bytes);
  // The end of the file; false when the file is wrong (or was so before).
  bool Finish();

  TRegFileKind Kind() const { return kind_; }
  // The file does not start with a registration file header.
  bool NotRegFile() const { return notRegFile_; }
  bool Failed() const { return !error_.empty(); }
  bool Stopped() const { return stopped_; }
  // The line the syntax error was found on (0 when the whole file is wrong, such as a text
  // encoding that is not read) and the reason, for the user.
  std::size_t ErrorLine() const { return errorLine_; }
  const std::string& Error() const { return error_; }

 private:
  enum class TEncoding { Undecided, Ansi, Utf16, Utf8 };
  bool Fail(std::size_t line, std::string reason);
  bool DecodeBytes(std::string_view bytes, bool last);
  bool EndPhysicalLine();
  bool NulLine();
  bool Line(std::string_view text, bool spellable);
  bool Header(std::string_view text);
  bool NoHeader();
  bool KeyLine(std::string_view text, bool spellable);
  bool ValueLine(std::string_view text, bool spellable);
  bool ByteList(std::string_view text);
  bool EndValue();
  bool Emit();

  bool ExactLine() const { return exact_ && kind_ == TRegFileKind::Version5; }

  TUtf16ToAnsi toAnsi_;
  TRegOpSink sink_;
  TEncoding encoding_ = TEncoding::Undecided;
  TRegFileKind kind_ = TRegFileKind::Unknown;
  std::string pending_;      // bytes not yet decoded (a byte order mark, a split character)
  std::string raw_;          // the physical line being collected (ANSI bytes or UTF-8)
  std::u16string wide_;      // the same for UTF-16 files
  bool lastWasCr_ = false;   // a CR ended the last line: an LF right after it belongs to it
  std::size_t line_ = 0;     // physical lines completed
  bool inKey_ = false;       // a key line opened a key that values may go to
  bool keyDeleted_ = false;  // the last key line deleted its key
  bool continuing_ = false;  // a byte list goes on on the next line
  TRegOp op_;
  std::u16string scratch_;
  std::string ansiLine_;
  std::size_t errorLine_ = 0;
  std::string error_;
  bool notRegFile_ = false;
  bool stopped_ = false;
  bool finished_ = false;
  bool exact_ = false;
};

// UTF-8 of a stored UTF-16 name or text, every unit kept: a lone surrogate (which the registry
// takes in names) becomes the three bytes of its code point. StoredOfUtf8 turns it back.
std::string Utf8OfStored(std::u16string_view text);
std::u16string StoredOfUtf8(std::string_view text);

// The root index of a long or short root name (ASCII case ignored), or -1.
int RegFileRootIndex(std::string_view name);
