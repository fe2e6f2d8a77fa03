// A process-wide object: made on first use and never destroyed, so nothing
// that runs late in the process's life (a worker's hand-over, a late
// call-back, the exit of another thread) meets it half torn down. A class
// derives from ProcessWide<Itself>, keeps its constructor private and
// befriends the base:
//     class Config : public win32::ProcessWide<Config> {
//         friend class win32::ProcessWide<Config>;
//         Config() = default;
//     };
#pragma once

namespace win32 {

template <class T>
class ProcessWide {
public:
    static T& Instance() {
        static T* const instance = new T();
        return *instance;
    }

    ProcessWide(const ProcessWide&) = delete;
    ProcessWide& operator=(const ProcessWide&) = delete;

protected:
    ProcessWide() = default;
    ~ProcessWide() = default;
};

} // namespace win32
