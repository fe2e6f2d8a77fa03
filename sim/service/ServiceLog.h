// The service's readable log: one line per registration, unregistration and
// posted message. Each line is appended with its own open, single write and
// close, so a reader (a test, a person with `tail -f`) never sees half a line
// and the file can be removed between lines.
#pragma once
#include <string>

class ServiceLog {
public:
    // An empty path turns logging off.
    explicit ServiceLog(std::string path);
    ServiceLog(const ServiceLog&) = delete;
    ServiceLog& operator=(const ServiceLog&) = delete;

    // RAVELO_SERVICE_LOG when set, else RemoteService.log beside the exe.
    static std::string DefaultPath();

    // Prefixes a local time stamp and ends the line. False when the file
    // could not be written; the service carries on either way.
    bool Write(const std::string& line) const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
