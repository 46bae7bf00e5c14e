#pragma once

// The Task Scheduler 2.0 service over COM. Tasks live in the root folder and are registered and
// read back as Task Scheduler XML; texts are UTF-8.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// No system header here: callers with their own names for the system's types include this.
struct ITaskService;

// A failed scheduler call: its result code and the system's text.
class ETaskServiceError : public std::runtime_error {
public:
    ETaskServiceError(std::int32_t code, const std::string& text);
    std::int32_t Code() const { return code; }

private:
    std::int32_t code;
};

// What the scheduler tells about a registered task.
struct TTaskServiceStatus {
    int state = 0; // TASK_STATE: 0 unknown, 1 disabled, 2 queued, 3 ready, 4 running
    bool enabled = true;
    double lastRunTime = 0; // OLE date (days since 30 December 1899), 0: never
    double nextRunTime = 0; // 0: none
    std::int32_t lastResult = 0;
    int missedRuns = 0;
};

class TWinTaskService {
public:
    // Over the scheduler of this computer, created by Connect.
    TWinTaskService();
    // Over the given service (a test's); it is kept referenced.
    explicit TWinTaskService(ITaskService* service);
    ~TWinTaskService();
    TWinTaskService(const TWinTaskService&) = delete;
    TWinTaskService& operator=(const TWinTaskService&) = delete;

    // Connects to the scheduler of this computer as the current user. Throws.
    void Connect();
    // Names of the tasks in the root folder, hidden ones included.
    std::vector<std::string> TaskNames();
    // The task's definition as XML.
    std::string TaskXml(const std::string& name);
    // Creates or replaces the task from its XML; user and password may be empty.
    void Register(const std::string& name, const std::string& xml, const std::string& user,
                  const std::string& password, int logonType);
    void Delete(const std::string& name);
    void SetEnabled(const std::string& name, bool enabled);
    // Starts the task now, without waiting for it.
    void Run(const std::string& name);
    void Stop(const std::string& name);
    TTaskServiceStatus Status(const std::string& name);

private:
    struct TState;
    std::unique_ptr<TState> state;
};
