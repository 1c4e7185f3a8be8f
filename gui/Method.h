// Method pointers: an object and one of its member functions, compared by their code part.
#pragma once

#include <array>
#include <cstring>
#include <functional>
#include <typeinfo>

namespace gui {

// Identifies a member function independently of the object it is bound to.
class TMethodCode {
public:
    TMethodCode() = default;
    template <typename MemberFunction> static TMethodCode Of(MemberFunction method) {
        static_assert(sizeof(MemberFunction) <= sizeof(Bytes), "member function pointers fit two words");
        TMethodCode code;
        code.type_ = &typeid(MemberFunction);
        std::memcpy(code.bytes_.data(), &method, sizeof method);
        return code;
    }
    bool operator==(const TMethodCode& other) const {
        return type_ == other.type_ && (type_ == nullptr || *type_ == *other.type_) && bytes_ == other.bytes_;
    }
    bool IsEmpty() const { return type_ == nullptr; }

private:
    using Bytes = std::array<unsigned char, 2 * sizeof(void*)>;
    const std::type_info* type_ = nullptr;
    Bytes bytes_{};
};

template <typename Signature> class TMethod;

// An event handler of the given signature. An unassigned event is empty and is skipped by Call.
template <typename R, typename... Args> class TMethod<R(Args...)> {
public:
    TMethod() = default;
    template <typename T>
    TMethod(T* object, R (T::*method)(Args...))
        : data_(object), code_(TMethodCode::Of(method)), invoke_([object, method](Args... args) -> R {
              return (object->*method)(std::forward<Args>(args)...);
          }) {}

    explicit operator bool() const { return static_cast<bool>(invoke_); }
    R operator()(Args... args) const { return invoke_(std::forward<Args>(args)...); }
    // Calls the handler when one is assigned.
    void Call(Args... args) const {
        if (invoke_) invoke_(std::forward<Args>(args)...);
    }

    const void* Data() const { return data_; }
    const TMethodCode& Code() const { return code_; }
    bool operator==(const TMethod& other) const { return data_ == other.data_ && code_ == other.code_; }

private:
    const void* data_ = nullptr;
    TMethodCode code_;
    std::function<R(Args...)> invoke_;
};

} // namespace gui
