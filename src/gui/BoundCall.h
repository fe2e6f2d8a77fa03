// A function together with the object it is called on: the program's
// call-back form. Unlike std::function it can be empty, compared and copied
// without allocating, which the replaceable window procedures rely on
// (a hook saves the old call and later puts it back).
#pragma once

namespace gui {

template <class... Args>
class BoundCall {
public:
    using Function = void (*)(void* object, Args... args);

    BoundCall() = default;
    BoundCall(Function function, void* object) : function_(function), object_(object) {}

    // Binds a member function: BoundCall<int>::Of<Widget, &Widget::Handle>(&widget).
    template <class T, void (T::*Method)(Args...)>
    static BoundCall Of(T* object) {
        return BoundCall(&Trampoline<T, Method>, object);
    }

    explicit operator bool() const { return function_ != nullptr; }
    bool IsEmpty() const { return function_ == nullptr; }

    // Calling an empty bound call does nothing.
    void operator()(Args... args) const {
        if (function_ != nullptr)
            function_(object_, args...);
    }

    bool operator==(const BoundCall& other) const { return function_ == other.function_ && object_ == other.object_; }
    bool operator!=(const BoundCall& other) const { return !(*this == other); }

    void* Object() const { return object_; }

private:
    template <class T, void (T::*Method)(Args...)>
    static void Trampoline(void* object, Args... args) {
        (static_cast<T*>(object)->*Method)(args...);
    }

    Function function_ = nullptr;
    void* object_ = nullptr;
};

} // namespace gui
