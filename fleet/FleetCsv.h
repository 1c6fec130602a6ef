#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace horavane {

// One record of a CSV file and the line it starts on.
struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t line = 0;
};

// Reads CSV records (RFC 4180: quoted fields may hold commas, quotes and line breaks; CRLF or LF line
// ends; a leading byte-order mark is skipped) one at a time from a stream, so that a file of any
// length is read in the memory of one record. A quoted field may span lines, so records and lines
// differ.
class CsvReader {
  public:
    CsvReader(std::streambuf& in, std::size_t longestRecord);

    // false at the end of the text, or with `error` set (without the file's name).
    bool Next(CsvRecord& record, std::string& error);

  private:
    static constexpr std::size_t kChunk = 1U << 16U;

    // false at the end of the stream; otherwise at_ points at the next byte.
    bool Fill();
    int Peek();

    std::streambuf& in_;
    std::size_t longest_;
    std::size_t line_ = 1;
    std::vector<char> chunk_;
    const char* at_ = nullptr;
    const char* end_ = nullptr;
};

// What the fleet file and the desired settings file share: a blank line is skipped; the columns are
// found by name in the header, in any order; a row is refused for text that is not UTF-8 or for a
// field count other than the header's.
[[nodiscard]] bool BlankRecord(const CsvRecord& record);
// Where each of `names` stands in `header`; nullopt with `why` naming the first one missing and all
// the file needs.
[[nodiscard]] std::optional<std::vector<std::size_t>> FindColumns(const std::vector<std::string>& header,
                                                                  std::span<const char* const> names,
                                                                  std::string& why);
// Why a row of a file whose header has `fieldCount` fields is refused as text; "" when it is not.
[[nodiscard]] std::string RowTextFault(const CsvRecord& record, std::size_t fieldCount);

// `file` opened for reading, `what` ("the fleet file") naming it in a refusal: only a plain file (a
// pipe or a device in its place would be read without end, or wait for a writer) of at most
// `largest` bytes.
[[nodiscard]] std::optional<std::ifstream> OpenCsvFile(const std::filesystem::path& file,
                                                       const std::string& what, std::uintmax_t largest,
                                                       std::string& error);

// A field as `inventory --csv` wrote it, back to the text the clock or the operator gave: the
// apostrophe that kept a spreadsheet from taking it for a formula taken off, and the visible-text
// escapes (\\ \n \r \t \xHH \uHHHH) undone; a backslash that starts no such escape stays as it is.
[[nodiscard]] std::string UndoCsvField(std::string_view field);

// The fields of a string held in memory, as CsvReader reads them from a stream.
class ViewBuffer : public std::streambuf {
  public:
    explicit ViewBuffer(std::string_view text);
};

}  // namespace horavane
