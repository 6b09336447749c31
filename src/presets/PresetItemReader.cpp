#include "PresetItemReader.h"

#include "presets/PresetFile.h"

namespace corvane {

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

}  // namespace

int PresetItemReader::take() {
    const int c = m_source.sbumpc();
    if (c == '\r') {
        if (m_source.sgetc() == '\n') {
            m_source.sbumpc();
        }
        return '\n';
    }
    return c;
}

bool PresetItemReader::spend() {
    return ++m_spent <= kMaxPresetItemLength;
}

void PresetItemReader::endLineIfBreak(int c) {
    if (c == '\n') {
        ++m_line;
    }
}

PresetItemReader::Status PresetItemReader::next(std::string& item) {
    item.clear();
    m_spent = 0;
    while (m_source.sgetc() == ' ') {
        if (!spend()) {
            return Status::TooLong;
        }
        m_source.sbumpc();
    }
    if (m_source.sgetc() == kEnd) {
        return Status::EndOfSource;
    }
    m_itemLine = m_line;
    const bool quoted = m_source.sgetc() == '"';
    if (quoted) {
        m_source.sbumpc();
        for (int c = take(); c != '"' && c != kEnd; c = take()) {
            if (!spend()) {
                return Status::TooLong;
            }
            endLineIfBreak(c);
            item += static_cast<char>(c);
        }
    }
    for (int c = take(); c != ',' && c != kEnd; c = take()) {
        if (c == '\n') {
            endLineIfBreak(c);
            break;
        }
        if (!spend()) {
            return Status::TooLong;
        }
        if (!quoted) {
            item += static_cast<char>(c);
        }
    }
    return Status::Item;
}

}  // namespace corvane
