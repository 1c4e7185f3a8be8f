// String lists: TStrings, the interface every list of lines offers, and TStringList.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace rtl {

// A list of strings. Descendants store the strings; this class builds everything else on Get,
// Put, Count, Insert, Delete and Clear. Indexes out of range raise EStringListError.
class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& text);
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    std::string operator[](int index) const { return Get(index); }
    virtual int Add(const std::string& text);
    void AddStrings(const TStrings& strings);
    void Assign(const TStrings& source);
    void Exchange(int first, int second);
    void Move(int from, int to);
    virtual int IndexOf(const std::string& text) const;
    bool Equals(const TStrings& other) const;

    // Lines joined with CR LF, a line end after each. Setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);
    // Comma-separated, strings with blanks, commas or quotes double-quoted.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);

    // "Name=Value" lines.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(const std::string& name) const;
    std::string Values(const std::string& name) const;
    void SetValue(const std::string& name, const std::string& value);

    std::vector<std::string> ToVector() const;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    bool CaseSensitive() const { return caseSensitive_; }
    virtual void SetCaseSensitive(bool value) { caseSensitive_ = value; }

protected:
    // Called when the update count moves between 0 and 1.
    virtual void SetUpdateState(bool updating) { (void)updating; }
    int CompareStrings(const std::string& a, const std::string& b) const;
    void CheckIndex(int index, int limit) const;

private:
    int updateCount_ = 0;
    bool caseSensitive_ = false;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);
    TStringList(const TStringList& other);
    TStringList& operator=(const TStringList& other);

    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& text) override;
    int IndexOf(const std::string& text) const override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }
    void SetCaseSensitive(bool value) override;
    void Sort();
    // Binary search of a sorted list: true with the index when found, else the insertion point.
    bool Find(const std::string& text, int& index) const;

    std::function<void()> OnChanging;
    std::function<void()> OnChange;

protected:
    void SetUpdateState(bool updating) override;

private:
    void Changing();
    void Changed();

    std::vector<std::string> items_;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

// The text without the spaces, tabs, line feeds and carriage returns at its ends; other control
// characters stay.
std::string TrimBlanks(const std::string& text);

} // namespace rtl
