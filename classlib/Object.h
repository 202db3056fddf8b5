// The object root of the class library: exact class names, class ancestry by
// name, and comparable method values (delegates) for events and window procedures.
#pragma once
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>

#include "classlib/SysUtils.h"

// Run-time class information: a name and the parent's information.
struct TClassInfo {
    const wchar_t* name;
    const TClassInfo* parent;
};

// Declares the class information of a class derived from Base. Every class of
// the library uses it so that ClassName() is exact and InheritsFrom() works.
#define DECLARE_CLASS(Name, Base)                                                     \
public:                                                                               \
    static const TClassInfo* StaticClassInfo()                                        \
    {                                                                                 \
        static const TClassInfo info{L## #Name, Base::StaticClassInfo()};             \
        return &info;                                                                 \
    }                                                                                 \
    const TClassInfo* ClassInfo() const override { return StaticClassInfo(); }        \
                                                                                      \
private:

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TClassInfo* StaticClassInfo()
    {
        static const TClassInfo info{L"TObject", nullptr};
        return &info;
    }
    virtual const TClassInfo* ClassInfo() const { return StaticClassInfo(); }
    String ClassName() const { return ClassInfo()->name; }
    bool InheritsFrom(const String& className) const;
    template <class T>
    bool Is() const { return dynamic_cast<const T*>(this) != nullptr; }

    // Message dispatch by number: classes override Dispatch, handle the numbers
    // they know and pass the rest to their base; unhandled messages end in
    // DefaultHandler.
    virtual void Dispatch(struct TMessage& message);
    virtual void DefaultHandler(struct TMessage& message);
};

// A method value: an object and one of its member functions, or a free callable.
// Two delegates compare equal when they name the same object and member
// function (or are copies of the same callable), so that a saved window
// procedure can be compared and put back.
template <class Sig>
class Delegate;

template <class R, class... A>
class Delegate<R(A...)> {
public:
    Delegate() = default;
    Delegate(std::nullptr_t) {}

    template <class T, class U>
    Delegate(T* object, R (U::*method)(A...))
    {
        static_assert(std::is_base_of_v<U, T>);
        static_assert(sizeof(method) <= sizeof(code_));
        object_ = static_cast<U*>(object);
        std::memcpy(code_, &method, sizeof(method));
        // One thunk per class that declares the method, whatever pointer type the
        // object came in as, so that equal methods give equal delegates.
        invoke_ = &InvokeMethod<U>;
    }

    // Any callable; equal only to copies of this delegate.
    template <class F, class = std::enable_if_t<std::is_invocable_r_v<R, F, A...> &&
                                                !std::is_same_v<std::decay_t<F>, Delegate>>>
    Delegate(F f)
    {
        auto holder = std::make_shared<std::function<R(A...)>>(std::move(f));
        object_ = holder.get();
        holder_ = holder;
        invoke_ = [](void* obj, const unsigned char*, A... args) -> R {
            return (*static_cast<std::function<R(A...)>*>(obj))(std::forward<A>(args)...);
        };
    }

    R operator()(A... args) const
    {
        // A callable may replace the last delegate that holds it while it runs
        // (a window procedure hook that unhooks itself): it stays alive until
        // it returns.
        if (holder_) {
            std::shared_ptr<void> keep = holder_;
            return invoke_(object_, code_, std::forward<A>(args)...);
        }
        return invoke_(object_, code_, std::forward<A>(args)...);
    }
    explicit operator bool() const { return invoke_ != nullptr; }
    void* Data() const { return object_; }

    bool operator==(const Delegate& o) const
    {
        return object_ == o.object_ && invoke_ == o.invoke_ && std::memcmp(code_, o.code_, sizeof code_) == 0;
    }
    bool operator==(std::nullptr_t) const { return invoke_ == nullptr; }

private:
    template <class U>
    static R InvokeMethod(void* obj, const unsigned char* code, A... args)
    {
        R (U::*m)(A...);
        std::memcpy(&m, code, sizeof(m));
        return (static_cast<U*>(obj)->*m)(std::forward<A>(args)...);
    }

    void* object_ = nullptr;
    unsigned char code_[16] = {};
    R (*invoke_)(void*, const unsigned char*, A...) = nullptr;
    std::shared_ptr<void> holder_;
};

class TPersistent : public TObject {
    DECLARE_CLASS(TPersistent, TObject)
public:
    virtual void Assign(const TPersistent* source);
};

using TNotifyEvent = Delegate<void(TObject*)>;
