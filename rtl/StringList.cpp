#include "rtl/StringList.h"

#include "rtl/Exceptions.h"

#include <algorithm>
#include <strings.h>

namespace rtl {

void TStrings::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit)
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStrings::Put(int index, const std::string& text) {
    BeginUpdate();
    Delete(index);
    Insert(index, text);
    EndUpdate();
}

int TStrings::Add(const std::string& text) {
    const int index = Count();
    Insert(index, text);
    return index;
}

void TStrings::AddStrings(const TStrings& strings) {
    const std::vector<std::string> lines = strings.ToVector(); // `strings` may be this list
    BeginUpdate();
    for (const std::string& line : lines)
        Add(line);
    EndUpdate();
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    BeginUpdate();
    Clear();
    AddStrings(source);
    EndUpdate();
}

void TStrings::Exchange(int first, int second) {
    CheckIndex(first, Count());
    CheckIndex(second, Count());
    const std::string a = Get(first);
    BeginUpdate();
    Put(first, Get(second));
    Put(second, a);
    EndUpdate();
}

void TStrings::Move(int from, int to) {
    if (from == to) return;
    CheckIndex(from, Count());
    CheckIndex(to, Count());
    const std::string text = Get(from);
    BeginUpdate();
    Delete(from);
    Insert(to, text);
    EndUpdate();
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
    return caseSensitive_ ? a.compare(b) : strcasecmp(a.c_str(), b.c_str());
}

int TStrings::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), text) == 0) return i;
    return -1;
}

bool TStrings::Equals(const TStrings& other) const {
    return ToVector() == other.ToVector();
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i)
        text += Get(i) + "\r\n";
    return text;
}

void TStrings::SetText(const std::string& text) {
    BeginUpdate();
    Clear();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            Add(text.substr(start));
            break;
        }
        Add(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    EndUpdate();
}

std::string TStrings::CommaText() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) text += ',';
        const std::string item = Get(i);
        const bool quote = item.empty() || item.find_first_of(" ,\"") != std::string::npos ||
                           std::any_of(item.begin(), item.end(), [](unsigned char c) { return c < 32; });
        if (!quote) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item)
            text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    return text;
}

void TStrings::SetCommaText(const std::string& text) {
    BeginUpdate();
    Clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && static_cast<unsigned char>(text[i]) > ' ')
                item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            skipBlanks();
            if (i == text.size()) Add("");
        }
    }
    EndUpdate();
}

std::string TStrings::Names(int index) const {
    const std::string line = Get(index);
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string TStrings::ValueFromIndex(int index) const {
    const std::string line = Get(index);
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string line = Get(i);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && CompareStrings(line.substr(0, equals), name) == 0) return i;
    }
    return -1;
}

std::string TStrings::Values(const std::string& name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
    } else if (index >= 0) {
        Put(index, name + "=" + value);
    } else {
        Add(name + "=" + value);
    }
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        lines.push_back(Get(i));
    return lines;
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

TStringList::TStringList(std::initializer_list<std::string> lines) : items_(lines) {}

TStringList::TStringList(const TStringList& other)
    : TStrings(), items_(other.items_), sorted_(other.sorted_), duplicates_(other.duplicates_) {
    TStrings::SetCaseSensitive(other.CaseSensitive());
}

TStringList& TStringList::operator=(const TStringList& other) {
    if (this != &other) {
        Changing();
        items_ = other.items_;
        sorted_ = other.sorted_;
        duplicates_ = other.duplicates_;
        TStrings::SetCaseSensitive(other.CaseSensitive());
        Changed();
    }
    return *this;
}

std::string TStringList::Get(int index) const {
    CheckIndex(index, Count());
    return items_[static_cast<std::size_t>(index)];
}

void TStringList::Put(int index, const std::string& text) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index, Count());
    Changing();
    items_[static_cast<std::size_t>(index)] = text;
    Changed();
}

void TStringList::Insert(int index, const std::string& text) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index, Count() + 1);
    Changing();
    items_.insert(items_.begin() + index, text);
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    Changed();
}

int TStringList::Add(const std::string& text) {
    if (!sorted_) {
        Changing();
        items_.push_back(text);
        Changed();
        return Count() - 1;
    }
    int index = 0;
    if (Find(text, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) return index;
        if (duplicates_ == TDuplicates::dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    Changing();
    items_.insert(items_.begin() + index, text);
    Changed();
    return index;
}

int TStringList::IndexOf(const std::string& text) const {
    if (!sorted_) return TStrings::IndexOf(text);
    int index = 0;
    return Find(text, index) ? index : -1;
}

void TStringList::SetSorted(bool value) {
    if (value && !sorted_) Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (value == CaseSensitive()) return;
    TStrings::SetCaseSensitive(value);
    if (sorted_) Sort();
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const std::string& a, const std::string& b) { return CompareStrings(a, b) < 0; });
    Changed();
}

bool TStringList::Find(const std::string& text, int& index) const {
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = CompareStrings(items_[static_cast<std::size_t>(middle)], text);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) {
        if (OnChanging) OnChanging();
    } else if (OnChange) {
        OnChange();
    }
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging();
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange();
}

std::string TrimBlanks(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    std::size_t end = text.size();
    while (end > 0 && blank(text[end - 1]))
        --end;
    std::size_t start = 0;
    while (start < end && blank(text[start]))
        ++start;
    return text.substr(start, end - start);
}

} // namespace rtl
