// Run-time type information: classes with their published properties and methods, readable and
// writable by name, and a registry that creates components by class name.
#pragma once

#include "gui/Method.h"
#include "rtl/Exceptions.h"
#include "rtl/StringList.h"

#include <any>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <variant>
#include <vector>

namespace gui {

class TObject;
class TComponent;
class TClassInfo;

enum class TTypeKind { tkInteger, tkBoolean, tkEnumeration, tkString, tkStrings, tkClass, tkMethod };

// A published method named in a form description, bound to the object that publishes it.
struct TMethodRef {
    TObject* object = nullptr;
    std::string name;
    bool operator==(const TMethodRef&) const = default;
};

// Integers and enumerations travel as int64 (enumerations also by name, as a string), lists of
// lines as TStrings, objects as TObject, events as TMethodRef; monostate clears an event or object.
using TPropertyValue =
    std::variant<std::monostate, std::int64_t, bool, std::string, rtl::TStrings*, TObject*, TMethodRef>;

class EPropertyError : public rtl::Exception {
    using rtl::Exception::Exception;
};

struct TPropertyInfo {
    std::string Name;
    TTypeKind Kind;
    std::vector<std::string> EnumNames;       // tkEnumeration: the names of the ordinals 0, 1, ...
    const TClassInfo* ValueClass = nullptr;   // tkClass: the class of the value
    std::type_index EventType = typeid(void); // tkMethod: the TMethod type of the event
    std::function<TPropertyValue(const TObject&)> Get;
    std::function<void(TObject&, const TPropertyValue&)> Set; // empty for a read-only property
    bool Stored = true;
    const std::vector<std::pair<std::string, std::int64_t>>* IntegerNames =
        nullptr; // tkInteger: named values
};

struct TPublishedMethod {
    std::string Name;
    std::type_index EventType;              // the TMethod type it can be bound as
    std::function<std::any(TObject&)> Bind; // makes that TMethod for an object
};

class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* parent) : name_(std::move(name)), parent_(parent) {}

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    // This class or one derived from it.
    bool InheritsFrom(const TClassInfo& other) const;

    // Searched in this class, then its ancestors; names ignore letter case.
    const TPropertyInfo* FindProperty(const std::string& name) const;
    const TPublishedMethod* FindMethod(const std::string& name) const;
    // Own properties after the ancestors', in declaration order.
    std::vector<const TPropertyInfo*> AllProperties() const;
    const std::vector<TPublishedMethod>& Methods() const { return methods_; }

    bool CanCreate() const { return static_cast<bool>(create_); }
    // Creates an instance owned by `owner`; raises for an abstract class.
    TComponent* Create(TComponent* owner) const;

private:
    template <typename T> friend class TClassBuilder;

    std::string name_;
    const TClassInfo* parent_;
    std::vector<TPropertyInfo> properties_;
    std::vector<TPublishedMethod> methods_;
    std::function<TComponent*(TComponent*)> create_;
};

// The root of every class with run-time type information.
class TObject {
public:
    virtual ~TObject() = default;
    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().Name(); }
    bool InheritsFrom(const TClassInfo& other) const { return ClassType().InheritsFrom(other); }
    template <typename T> bool Is() const { return InheritsFrom(T::StaticClass()); }
};

// Declares a class's type information; the class defines StaticClass with a TClassBuilder.
#define GUI_CLASS_INFO                                                                                       \
public:                                                                                                      \
    static const ::gui::TClassInfo& StaticClass();                                                           \
    const ::gui::TClassInfo& ClassType() const override {                                                    \
        return StaticClass();                                                                                \
    }

// Published properties by name. Unknown properties, read-only ones and values of the wrong kind raise
// EPropertyError naming the class and the property.
bool HasProperty(const TObject& object, const std::string& name);
const TPropertyInfo& PropertyOf(const TObject& object, const std::string& name);
TPropertyValue GetProperty(const TObject& object, const std::string& name);
void SetProperty(TObject& object, const std::string& name, const TPropertyValue& value);
std::string GetStringProperty(const TObject& object, const std::string& name);
std::int64_t GetIntegerProperty(const TObject& object, const std::string& name);
bool GetBooleanProperty(const TObject& object, const std::string& name);
TObject* GetObjectProperty(const TObject& object, const std::string& name);
rtl::TStrings* GetStringsProperty(const TObject& object, const std::string& name);

// Classes that a form description may name.
void RegisterClass(const TClassInfo& info);
const TClassInfo* FindClass(const std::string& name);

// Declares the published properties and methods of class T, whose parent is P.
template <typename T> class TClassBuilder {
public:
    TClassBuilder(std::string name, const TClassInfo* parent) : info_(std::move(name), parent) {}

    template <typename V, typename B = T>
    TClassBuilder& Integer(std::string name, V (B::*get)() const, void (B::*set)(V) = nullptr,
                           bool stored = true) {
        static_assert(std::is_base_of_v<B, T>);
        Add({std::move(name),
             TTypeKind::tkInteger,
             {},
             nullptr,
             typeid(void),
             [get](const TObject& o) { return TPropertyValue(static_cast<std::int64_t>((Self(o).*get)())); },
             set ? Setter([set](T& o, const TPropertyValue& v) { (o.*set)(static_cast<V>(AsInteger(v))); })
                 : nullptr,
             stored});
        return *this;
    }

    // An integer property whose values also have names (colours, for example).
    template <typename V, typename B = T>
    TClassBuilder& NamedInteger(std::string name,
                                const std::vector<std::pair<std::string, std::int64_t>>& names,
                                V (B::*get)() const, void (B::*set)(V)) {
        Integer(std::move(name), get, set);
        info_.properties_.back().IntegerNames = &names;
        return *this;
    }

    TClassBuilder& Boolean(std::string name, bool (T::*get)() const, void (T::*set)(bool) = nullptr,
                           bool stored = true) {
        Add({std::move(name),
             TTypeKind::tkBoolean,
             {},
             nullptr,
             typeid(void),
             [get](const TObject& o) { return TPropertyValue((Self(o).*get)()); },
             set ? Setter([set](T& o, const TPropertyValue& v) { (o.*set)(AsBoolean(v)); }) : nullptr,
             stored});
        return *this;
    }

    template <typename E, typename B = T>
    TClassBuilder& Enumeration(std::string name, std::vector<std::string> names, E (B::*get)() const,
                               void (B::*set)(E) = nullptr, bool stored = true) {
        static_assert(std::is_base_of_v<B, T>);
        Add({std::move(name), TTypeKind::tkEnumeration, names, nullptr, typeid(void),
             [get](const TObject& o) { return TPropertyValue(static_cast<std::int64_t>((Self(o).*get)())); },
             set ? Setter([set, names](T& o, const TPropertyValue& v) {
                 (o.*set)(static_cast<E>(AsOrdinal(v, names)));
             })
                 : nullptr,
             stored});
        return *this;
    }

    TClassBuilder& String(std::string name, std::string (T::*get)() const,
                          void (T::*set)(const std::string&) = nullptr, bool stored = true) {
        Add({std::move(name),
             TTypeKind::tkString,
             {},
             nullptr,
             typeid(void),
             [get](const TObject& o) { return TPropertyValue((Self(o).*get)()); },
             set ? Setter([set](T& o, const TPropertyValue& v) { (o.*set)(AsString(v)); }) : nullptr,
             stored});
        return *this;
    }

    // A published data field: a Boolean, a text or an integer read and written in place.
    template <typename V, typename B = T>
    TClassBuilder& Field(std::string name, V B::*field, bool stored = true) {
        static_assert(std::is_base_of_v<B, T>);
        constexpr TTypeKind kind = std::is_same_v<V, bool>          ? TTypeKind::tkBoolean
                                   : std::is_same_v<V, std::string> ? TTypeKind::tkString
                                                                    : TTypeKind::tkInteger;
        static_assert(kind != TTypeKind::tkInteger || std::is_integral_v<V>,
                      "fields are Booleans, texts or integers");
        Add({std::move(name),
             kind,
             {},
             nullptr,
             typeid(void),
             [field](const TObject& o) -> TPropertyValue {
                 if constexpr (kind == TTypeKind::tkInteger)
                     return static_cast<std::int64_t>(Self(o).*field);
                 else
                     return Self(o).*field;
             },
             Setter([field](T& o, const TPropertyValue& v) {
                 if constexpr (kind == TTypeKind::tkBoolean)
                     o.*field = AsBoolean(v);
                 else if constexpr (kind == TTypeKind::tkString)
                     o.*field = AsString(v);
                 else
                     o.*field = static_cast<V>(AsInteger(v));
             }),
             stored});
        return *this;
    }

    // A list of lines owned by the object; setting copies the given lines into it.
    TClassBuilder& Strings(std::string name, rtl::TStrings* (T::*get)() const, bool stored = true) {
        Add({std::move(name),
             TTypeKind::tkStrings,
             {},
             nullptr,
             typeid(void),
             [get](const TObject& o) { return TPropertyValue((Self(o).*get)()); },
             Setter([get](T& o, const TPropertyValue& v) { (o.*get)()->Assign(*AsStrings(v)); }),
             stored});
        return *this;
    }

    template <typename V, typename B = T>
    TClassBuilder& Object(std::string name, V* (B::*get)() const, void (B::*set)(V*) = nullptr,
                          bool stored = true) {
        static_assert(std::is_base_of_v<B, T>);
        Add({std::move(name),
             TTypeKind::tkClass,
             {},
             &V::StaticClass(),
             typeid(void),
             [get](const TObject& o) { return TPropertyValue(static_cast<TObject*>((Self(o).*get)())); },
             set ? Setter([set](T& o, const TPropertyValue& v) { (o.*set)(AsObject<V>(v)); }) : nullptr,
             stored});
        return *this;
    }

    template <typename Signature, typename B = T>
    TClassBuilder& Event(std::string name, TMethod<Signature> B::*field) {
        static_assert(std::is_base_of_v<B, T>);
        Add({std::move(name),
             TTypeKind::tkMethod,
             {},
             nullptr,
             typeid(TMethod<Signature>),
             // Reading tells only whether a handler is assigned.
             [field](const TObject& o) -> TPropertyValue {
                 if (!(Self(o).*field)) return std::monostate{};
                 return TMethodRef{};
             },
             Setter([field](T& o, const TPropertyValue& v) { o.*field = AsMethod<TMethod<Signature>>(v); }),
             true});
        return *this;
    }

    // An event whose setter reacts to the change.
    template <typename Signature, typename B = T>
    TClassBuilder& Event(std::string name, const TMethod<Signature>& (B::*get)() const,
                         void (B::*set)(TMethod<Signature>)) {
        static_assert(std::is_base_of_v<B, T>);
        Add({std::move(name),
             TTypeKind::tkMethod,
             {},
             nullptr,
             typeid(TMethod<Signature>),
             [get](const TObject& o) -> TPropertyValue {
                 if (!(Self(o).*get)()) return std::monostate{};
                 return TMethodRef{};
             },
             Setter([set](T& o, const TPropertyValue& v) { (o.*set)(AsMethod<TMethod<Signature>>(v)); }),
             true});
        return *this;
    }

    // A published method that form descriptions bind events to by name.
    template <typename R, typename... Args> TClassBuilder& Method(std::string name, R (T::*method)(Args...)) {
        info_.methods_.push_back(
            {std::move(name), typeid(TMethod<R(Args...)>),
             [method](TObject& o) -> std::any { return TMethod<R(Args...)>(&static_cast<T&>(o), method); }});
        return *this;
    }

    // Classes that can be created by name take their owner in the constructor.
    TClassBuilder& Creatable() {
        info_.create_ = [](TComponent* owner) -> TComponent* { return new T(owner); };
        return *this;
    }

    TClassInfo Build() { return std::move(info_); }

private:
    using SetFunction = std::function<void(TObject&, const TPropertyValue&)>;

    static const T& Self(const TObject& o) { return static_cast<const T&>(o); }
    template <typename F> static SetFunction Setter(F set) {
        return [set](TObject& o, const TPropertyValue& v) { set(static_cast<T&>(o), v); };
    }
    static std::int64_t AsInteger(const TPropertyValue& v) { return Expect<std::int64_t>(v, "an integer"); }
    static bool AsBoolean(const TPropertyValue& v) { return Expect<bool>(v, "a Boolean"); }
    static std::string AsString(const TPropertyValue& v) { return Expect<std::string>(v, "a text"); }
    static rtl::TStrings* AsStrings(const TPropertyValue& v) {
        rtl::TStrings* lines = Expect<rtl::TStrings*>(v, "a list of lines");
        if (lines == nullptr) throw EPropertyError("a list of lines is required");
        return lines;
    }
    static std::int64_t AsOrdinal(const TPropertyValue& v, const std::vector<std::string>& names);
    template <typename V> static V* AsObject(const TPropertyValue& v) {
        if (std::holds_alternative<std::monostate>(v)) return nullptr;
        TObject* object = Expect<TObject*>(v, "an object");
        if (object != nullptr && !object->InheritsFrom(V::StaticClass()))
            throw EPropertyError("an object of class " + V::StaticClass().Name() + " is required, not " +
                                 object->ClassName());
        return static_cast<V*>(object);
    }
    template <typename M> static M AsMethod(const TPropertyValue& v);
    template <typename V> static V Expect(const TPropertyValue& v, const char* what) {
        if (const V* value = std::get_if<V>(&v)) return *value;
        throw EPropertyError(std::string(what) + " is required");
    }

    void Add(TPropertyInfo property) { info_.properties_.push_back(std::move(property)); }

    TClassInfo info_;
};

// Resolves a method reference against the published methods of the object it names.
const TPublishedMethod& ResolveMethod(const TMethodRef& reference, std::type_index eventType);

template <typename T>
std::int64_t TClassBuilder<T>::AsOrdinal(const TPropertyValue& v, const std::vector<std::string>& names) {
    if (const auto* text = std::get_if<std::string>(&v)) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == *text) return static_cast<std::int64_t>(i);
        throw EPropertyError("'" + *text + "' is not a value of the enumeration");
    }
    const std::int64_t ordinal = AsInteger(v);
    if (ordinal < 0 || ordinal >= static_cast<std::int64_t>(names.size()))
        throw EPropertyError(std::to_string(ordinal) + " is out of the enumeration's range");
    return ordinal;
}

template <typename T> template <typename M> M TClassBuilder<T>::AsMethod(const TPropertyValue& v) {
    if (std::holds_alternative<std::monostate>(v)) return M();
    const TMethodRef reference = Expect<TMethodRef>(v, "a method");
    return std::any_cast<M>(ResolveMethod(reference, typeid(M)).Bind(*reference.object));
}

} // namespace gui
