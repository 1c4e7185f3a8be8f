#include "gui/FormReader.h"

#include "platform/Resource.h"
#include "rtl/IntText.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <strings.h>
#include <variant>
#include <vector>

namespace gui {
namespace {

// Far deeper than any window's controls; the bound keeps the recursion from exhausting the stack.
constexpr int kMaxNesting = 256;

struct Identifier {
    std::string text;
};
using Lines = std::vector<std::string>;
using Value = std::variant<std::int64_t, std::string, Identifier, Lines>;

struct Assignment {
    int line;
    std::string path; // "Caption", "Font.Name", "Lines.Strings"
    Value value;
};

struct Node {
    int line;
    std::string name;
    std::string className;
    std::vector<Assignment> assignments;
    std::vector<std::unique_ptr<Node>> children;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::unique_ptr<Node> Root() {
        auto root = Object(0);
        SkipBlanks();
        if (position_ < text_.size()) Fail("text after the final end");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw EReadError("Form description, line " + std::to_string(line_) + ": " + what);
    }

    void SkipBlanks() {
        while (position_ < text_.size()) {
            const char c = text_[position_];
            if (c == '\n') ++line_;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                ++position_;
            else
                break;
        }
    }

    bool AtIdentifier() const {
        return position_ < text_.size() &&
               (std::isalpha(static_cast<unsigned char>(text_[position_])) || text_[position_] == '_');
    }

    std::string Word() {
        SkipBlanks();
        if (!AtIdentifier()) Fail("a name is expected");
        const std::size_t start = position_;
        while (position_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[position_])) ||
                                            text_[position_] == '_' || text_[position_] == '.'))
            ++position_;
        return std::string(text_.substr(start, position_ - start));
    }

    void Expect(char c) {
        SkipBlanks();
        if (position_ >= text_.size() || text_[position_] != c) Fail(std::string("'") + c + "' is expected");
        ++position_;
    }

    std::unique_ptr<Node> Object(int depth) {
        if (!SameWord(Word(), "object")) Fail("'object' is expected");
        if (depth > kMaxNesting) Fail("objects are nested more than " + std::to_string(kMaxNesting) + " deep");
        auto node = std::make_unique<Node>();
        node->line = line_;
        node->name = Word();
        Expect(':');
        node->className = Word();
        for (;;) {
            SkipBlanks();
            const std::size_t mark = position_;
            const int markLine = line_;
            const std::string word = Word();
            if (SameWord(word, "end")) return node;
            if (SameWord(word, "object")) {
                position_ = mark;
                line_ = markLine;
                node->children.push_back(Object(depth + 1));
                continue;
            }
            Expect('=');
            node->assignments.push_back({markLine, word, ReadValue()});
        }
    }

    Value ReadValue() {
        SkipBlanks();
        if (position_ >= text_.size()) Fail("a value is expected");
        const char c = text_[position_];
        if (c == '(') {
            ++position_;
            Lines lines;
            for (;;) {
                SkipBlanks();
                if (position_ < text_.size() && text_[position_] == ')') {
                    ++position_;
                    return lines;
                }
                lines.push_back(Text());
            }
        }
        if (c == '\'' || c == '#') return Text();
        if (c == '{') return Binary();
        if (c == '-' || c == '+' || std::isdigit(static_cast<unsigned char>(c)) || c == '$') return Integer();
        return Identifier{Word()};
    }

    // Quoted runs and #n byte codes, concatenated.
    std::string Text() {
        std::string text;
        SkipBlanks();
        bool any = false;
        while (position_ < text_.size()) {
            const char c = text_[position_];
            if (c == '\'') {
                ++position_;
                for (;;) {
                    if (position_ >= text_.size() || text_[position_] == '\n') Fail("unterminated text");
                    if (text_[position_] == '\'') {
                        if (position_ + 1 < text_.size() && text_[position_ + 1] == '\'') {
                            text += '\'';
                            position_ += 2;
                            continue;
                        }
                        ++position_;
                        break;
                    }
                    text += text_[position_++];
                }
            } else if (c == '#') {
                ++position_;
                const std::size_t start = position_;
                while (position_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[position_])))
                    ++position_;
                if (start == position_) Fail("a byte code is expected after '#'");
                const std::string_view digits = text_.substr(start, position_ - start);
                int code = 0;
                for (const char digit : digits)
                    code = std::min(code * 10 + (digit - '0'), 256); // no overflow, however long
                if (code > 255) Fail("byte code " + std::string(digits) + " is above 255");
                text += static_cast<char>(code);
            } else {
                break;
            }
            any = true;
        }
        if (!any) Fail("a text is expected");
        return text;
    }

    // Hexadecimal bytes between braces, blanks and line breaks allowed between them.
    std::string Binary() {
        ++position_;
        std::string bytes;
        for (;;) {
            SkipBlanks();
            if (position_ >= text_.size()) Fail("unterminated binary data");
            if (text_[position_] == '}') {
                ++position_;
                return bytes;
            }
            if (position_ + 1 >= text_.size() ||
                !std::isxdigit(static_cast<unsigned char>(text_[position_])) ||
                !std::isxdigit(static_cast<unsigned char>(text_[position_ + 1])))
                Fail("binary data is pairs of hexadecimal digits");
            bytes += static_cast<char>(std::stoi(std::string(text_.substr(position_, 2)), nullptr, 16));
            position_ += 2;
        }
    }

    std::int64_t Integer() {
        const std::size_t start = position_;
        if (text_[position_] == '-' || text_[position_] == '+') ++position_;
        if (position_ < text_.size() && text_[position_] == '$') ++position_;
        while (position_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[position_])))
            ++position_;
        const std::string literal(text_.substr(start, position_ - start));
        std::int64_t value = 0;
        if (!rtl::TryStrToInt64(literal, value)) Fail("'" + literal + "' is no integer");
        return value;
    }

    static bool SameWord(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

    std::string_view text_;
    std::size_t position_ = 0;
    int line_ = 1;
};

struct Fixup {
    int line;
    TObject* target;
    std::string componentName;
    std::string property;
    std::string referenced;
};

class Builder {
public:
    explicit Builder(TComponent& root) : root_(root) {}

    void Build(const Node& node) {
        if (strcasecmp(node.className.c_str(), root_.ClassName().c_str()) != 0)
            Fail(node.line, node.name,
                 "the description is of class " + node.className + ", not " + root_.ClassName());
        root_.BeginLoading();
        loaded_.push_back(&root_);
        if (root_.Name().empty()) Apply(node.line, node.name, [&] { root_.SetName(node.name); });
        Properties(root_, node);
        for (const auto& child : node.children)
            Child(*child, &root_);
        for (const Fixup& fixup : fixups_)
            Resolve(fixup);
        for (TComponent* component : loaded_)
            component->Loaded();
    }

private:
    [[noreturn]] static void Fail(int line, const std::string& where, const std::string& what) {
        throw EReadError("Form description, line " + std::to_string(line) + ", " + where + ": " + what);
    }

    template <typename F> static void Apply(int line, const std::string& where, F action) {
        try {
            action();
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& e) {
            Fail(line, where, e.what());
        }
    }

    void Child(const Node& node, TComponent* parent) {
        const TClassInfo* info = FindClass(node.className);
        if (info == nullptr) Fail(node.line, node.name, "class " + node.className + " not found");
        TComponent* component = nullptr;
        Apply(node.line, node.name, [&] {
            component = info->Create(&root_);
            component->BeginLoading();
            loaded_.push_back(component);
            component->SetName(node.name);
            component->SetParentComponent(parent);
        });
        Properties(*component, node);
        for (const auto& child : node.children)
            Child(*child, component);
    }

    void Properties(TComponent& component, const Node& node) {
        for (const Assignment& assignment : node.assignments) {
            const std::string where = node.name + "." + assignment.path;
            Apply(assignment.line, where, [&] { Assign(component, assignment, where); });
        }
    }

    void Assign(TComponent& component, const Assignment& assignment, const std::string& where) {
        // Walk "Font.Name" down to the object that holds the last property.
        TObject* target = &component;
        std::string path = assignment.path;
        for (std::size_t dot; (dot = path.find('.')) != std::string::npos;) {
            const std::string head = path.substr(0, dot);
            const std::string rest = path.substr(dot + 1);
            const TPropertyInfo& property = PropertyOf(*target, head);
            if (property.Kind == TTypeKind::tkStrings && strcasecmp(rest.c_str(), "Strings") == 0) {
                path = head;
                break;
            }
            if (property.Kind != TTypeKind::tkClass)
                Fail(assignment.line, where, head + " has no properties of its own");
            target = GetObjectProperty(*target, head);
            if (target == nullptr) Fail(assignment.line, where, head + " is not set");
            path = rest;
        }
        const TPropertyInfo& property = PropertyOf(*target, path);
        const Value& value = assignment.value;
        switch (property.Kind) {
        case TTypeKind::tkInteger:
            if (const auto* name = std::get_if<Identifier>(&value);
                name != nullptr && property.IntegerNames != nullptr) {
                const auto& names = *property.IntegerNames;
                const auto found = std::find_if(names.begin(), names.end(), [&](const auto& entry) {
                    return strcasecmp(entry.first.c_str(), name->text.c_str()) == 0;
                });
                if (found == names.end())
                    Fail(assignment.line, where, name->text + " is no value of " + property.Name);
                SetProperty(*target, path, found->second);
            } else {
                SetProperty(*target, path, Expect<std::int64_t>(assignment, where, "an integer"));
            }
            break;
        case TTypeKind::tkBoolean: {
            const std::string word = Expect<Identifier>(assignment, where, "True or False").text;
            if (strcasecmp(word.c_str(), "True") != 0 && strcasecmp(word.c_str(), "False") != 0)
                Fail(assignment.line, where, "True or False is expected, not " + word);
            SetProperty(*target, path, strcasecmp(word.c_str(), "True") == 0);
            break;
        }
        case TTypeKind::tkEnumeration:
            if (const auto* ordinal = std::get_if<std::int64_t>(&value))
                SetProperty(*target, path, *ordinal);
            else
                SetProperty(*target, path, Expect<Identifier>(assignment, where, "a name").text);
            break;
        case TTypeKind::tkString:
            SetProperty(*target, path, Expect<std::string>(assignment, where, "a text"));
            break;
        case TTypeKind::tkStrings: {
            rtl::TStringList lines;
            for (const std::string& line : Expect<Lines>(assignment, where, "a list of lines"))
                lines.Add(line);
            SetProperty(*target, path, static_cast<rtl::TStrings*>(&lines));
            break;
        }
        case TTypeKind::tkClass:
            fixups_.push_back({assignment.line, target, where, path,
                               Expect<Identifier>(assignment, where, "a component name").text});
            break;
        case TTypeKind::tkMethod:
            SetProperty(*target, path,
                        TMethodRef{&root_, Expect<Identifier>(assignment, where, "a method name").text});
            break;
        }
    }

    template <typename V>
    static const V& Expect(const Assignment& assignment, const std::string& where, const char* what) {
        if (const V* typed = std::get_if<V>(&assignment.value)) return *typed;
        Fail(assignment.line, where, std::string(what) + " is expected");
    }

    void Resolve(const Fixup& fixup) {
        TComponent* referenced = strcasecmp(fixup.referenced.c_str(), root_.Name().c_str()) == 0
                                     ? &root_
                                     : root_.FindComponent(fixup.referenced);
        if (referenced == nullptr)
            Fail(fixup.line, fixup.componentName, "component " + fixup.referenced + " not found");
        Apply(fixup.line, fixup.componentName,
              [&] { SetProperty(*fixup.target, fixup.property, static_cast<TObject*>(referenced)); });
    }

    TComponent& root_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

} // namespace

void ReadComponent(TComponent& root, std::string_view description) {
    const std::unique_ptr<Node> tree = Parser(description).Root();
    Builder(root).Build(*tree);
}

void ReadComponentResource(TComponent& root, const std::string& resourceName) {
    const win::HRSRC resource = win::FindResourceA(nullptr, resourceName.c_str(), win::RT_RCDATA);
    if (resource == nullptr) throw EReadError("Resource " + resourceName + " not found");
    const auto* bytes = static_cast<const char*>(win::LockResource(win::LoadResource(nullptr, resource)));
    ReadComponent(root, std::string_view(bytes, win::SizeofResource(nullptr, resource)));
}

} // namespace gui
