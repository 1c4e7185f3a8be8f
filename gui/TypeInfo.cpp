#include "gui/TypeInfo.h"

#include <map>
#include <mutex>
#include <strings.h>

namespace gui {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

struct Registry {
    std::mutex mutex;
    std::vector<const TClassInfo*> classes;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

template <typename V> V Expect(const TObject& object, const std::string& name, const char* what) {
    const TPropertyValue value = GetProperty(object, name);
    if (const V* typed = std::get_if<V>(&value)) return *typed;
    throw EPropertyError("Property " + object.ClassName() + "." + name + " is not " + what);
}

} // namespace

const TClassInfo& TObject::StaticClass() {
    static const TClassInfo info("TObject", nullptr);
    return info;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        if (c == &other) return true;
    return false;
}

const TPropertyInfo* TClassInfo::FindProperty(const std::string& name) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const TPropertyInfo& property : c->properties_)
            if (SameName(property.Name, name)) return &property;
    return nullptr;
}

const TPublishedMethod* TClassInfo::FindMethod(const std::string& name) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        for (const TPublishedMethod& method : c->methods_)
            if (SameName(method.Name, name)) return &method;
    return nullptr;
}

std::vector<const TPropertyInfo*> TClassInfo::AllProperties() const {
    std::vector<const TPropertyInfo*> all =
        parent_ ? parent_->AllProperties() : std::vector<const TPropertyInfo*>{};
    for (const TPropertyInfo& property : properties_)
        all.push_back(&property);
    return all;
}

TComponent* TClassInfo::Create(TComponent* owner) const {
    if (!create_) throw EPropertyError("Cannot create an instance of the abstract class " + name_);
    return create_(owner);
}

const TPublishedMethod& ResolveMethod(const TMethodRef& reference, std::type_index eventType) {
    if (reference.object == nullptr) throw EPropertyError("Method " + reference.name + " has no object");
    const TPublishedMethod* method = reference.object->ClassType().FindMethod(reference.name);
    if (method == nullptr)
        throw EPropertyError("Class " + reference.object->ClassName() + " has no published method " +
                             reference.name);
    if (method->EventType != eventType)
        throw EPropertyError("Method " + reference.name + " does not match the event's parameters");
    return *method;
}

bool HasProperty(const TObject& object, const std::string& name) {
    return object.ClassType().FindProperty(name) != nullptr;
}

const TPropertyInfo& PropertyOf(const TObject& object, const std::string& name) {
    const TPropertyInfo* property = object.ClassType().FindProperty(name);
    if (property == nullptr) throw EPropertyError("Class " + object.ClassName() + " has no property " + name);
    return *property;
}

TPropertyValue GetProperty(const TObject& object, const std::string& name) {
    return PropertyOf(object, name).Get(object);
}

void SetProperty(TObject& object, const std::string& name, const TPropertyValue& value) {
    const TPropertyInfo& property = PropertyOf(object, name);
    if (!property.Set)
        throw EPropertyError("Property " + object.ClassName() + "." + property.Name + " is read-only");
    try {
        property.Set(object, value);
    } catch (const EPropertyError& e) {
        throw EPropertyError("Property " + object.ClassName() + "." + property.Name + ": " + e.Message());
    }
}

std::string GetStringProperty(const TObject& object, const std::string& name) {
    return Expect<std::string>(object, name, "a text");
}

std::int64_t GetIntegerProperty(const TObject& object, const std::string& name) {
    return Expect<std::int64_t>(object, name, "an integer");
}

bool GetBooleanProperty(const TObject& object, const std::string& name) {
    return Expect<bool>(object, name, "a Boolean");
}

TObject* GetObjectProperty(const TObject& object, const std::string& name) {
    return Expect<TObject*>(object, name, "an object");
}

rtl::TStrings* GetStringsProperty(const TObject& object, const std::string& name) {
    return Expect<rtl::TStrings*>(object, name, "a list of lines");
}

void RegisterClass(const TClassInfo& info) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const TClassInfo* known : registry.classes)
        if (known == &info) return;
    registry.classes.push_back(&info);
}

const TClassInfo* FindClass(const std::string& name) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const TClassInfo* known : registry.classes)
        if (SameName(known->Name(), name)) return known;
    return nullptr;
}

} // namespace gui
