#pragma once

#include <streambuf>
#include <string>

namespace corvane {

// Splits a preset file into items, reading the source one character at a time:
// spaces before an item are skipped; an item that begins with a double quote runs to the
// next double quote (the quotes are dropped, commas and line ends inside belong to the
// item, anything between the closing quote and the delimiter is dropped); every item ends
// at a comma, a line end (CR LF, LF or CR) or the end of the source.
class PresetItemReader {
  public:
    enum class Status {
        Item,         // an item was read
        EndOfSource,  // nothing but spaces was left
        TooLong,      // the item with its leading spaces exceeds kMaxPresetItemLength
    };

    explicit PresetItemReader(std::streambuf& source) : m_source(source) {}

    Status next(std::string& item);

    // 1-based line on which the last item began.
    int itemLine() const { return m_itemLine; }

  private:
    int take();
    bool spend();
    void endLineIfBreak(int c);

    std::streambuf& m_source;
    std::size_t m_spent = 0;  // characters of the current item, delimiter excluded
    int m_line = 1;
    int m_itemLine = 1;
};

}  // namespace corvane
