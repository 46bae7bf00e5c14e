#include "common/platform/WinTaskService_win.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include "common/platform/ComScope_win.h"
#include "common/platform/WinText_win.h"

namespace {

// A string the scheduler takes, freed at the end of its scope.
class TBstr {
public:
    explicit TBstr(const std::string& text) : value(SysAllocString(Utf8ToWide(text).c_str())) {}
    TBstr() = default;
    ~TBstr() { SysFreeString(value); }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;

    operator BSTR() const { return value; }
    BSTR* Put()
    {
        SysFreeString(value);
        value = nullptr;
        return &value;
    }
    std::string Utf8() const
    {
        return value ? WideToUtf8(std::wstring(value, SysStringLen(value))) : std::string();
    }

private:
    BSTR value = nullptr;
};

// A text argument: empty when the text is empty, else the string (freed with the variant).
class TTextVariant {
public:
    explicit TTextVariant(const std::string& text)
    {
        VariantInit(&value);
        if (!text.empty()) {
            value.vt = VT_BSTR;
            value.bstrVal = SysAllocString(Utf8ToWide(text).c_str());
        }
    }
    ~TTextVariant() { VariantClear(&value); }
    TTextVariant(const TTextVariant&) = delete;
    TTextVariant& operator=(const TTextVariant&) = delete;

    operator VARIANT() const { return value; }

private:
    VARIANT value;
};

void Check(HRESULT result)
{
    if (FAILED(result))
        throw ETaskServiceError(static_cast<std::int32_t>(result),
                                SystemErrorText(static_cast<std::uint32_t>(result)));
}

} // namespace

struct TWinTaskService::TState {
    TComScope com;
    TComPtr<ITaskService> service;
    TComPtr<ITaskFolder> root;

    ITaskFolder* RootFolder()
    {
        if (!service)
            Check(SCHED_E_SERVICE_NOT_RUNNING);
        if (!root) {
            const TBstr path("\\");
            Check(service->GetFolder(path, root.Put()));
        }
        return root.Get();
    }

    IRegisteredTask* Task(const std::string& name, TComPtr<IRegisteredTask>& task)
    {
        const TBstr path(name);
        Check(RootFolder()->GetTask(path, task.Put()));
        return task.Get();
    }
};

ETaskServiceError::ETaskServiceError(std::int32_t code, const std::string& text)
    : std::runtime_error(text), code(code)
{}

TWinTaskService::TWinTaskService() : state(std::make_unique<TState>()) {}

TWinTaskService::TWinTaskService(ITaskService* given) : TWinTaskService()
{
    if (given) {
        given->AddRef();
        *state->service.Put() = given;
    }
}

TWinTaskService::~TWinTaskService() = default;

void TWinTaskService::Connect()
{
    TComPtr<ITaskService>& service = state->service;
    if (!service)
        Check(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                               service.PutVoid()));
    const TTextVariant none("");
    Check(service->Connect(none, none, none, none));
    state->root.Reset();
}

std::vector<std::string> TWinTaskService::TaskNames()
{
    TComPtr<IRegisteredTaskCollection> tasks;
    Check(state->RootFolder()->GetTasks(TASK_ENUM_HIDDEN, tasks.Put()));
    LONG count = 0;
    Check(tasks->get_Count(&count));
    std::vector<std::string> names;
    for (LONG i = 1; i <= count; ++i) { // the collection counts from 1
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        TComPtr<IRegisteredTask> task;
        TBstr name;
        Check(tasks->get_Item(index, task.Put()));
        Check(task->get_Name(name.Put()));
        names.push_back(name.Utf8());
    }
    return names;
}

std::string TWinTaskService::TaskXml(const std::string& name)
{
    TComPtr<IRegisteredTask> task;
    TBstr xml;
    Check(state->Task(name, task)->get_Xml(xml.Put()));
    return xml.Utf8();
}

void TWinTaskService::Register(const std::string& name, const std::string& xml,
                               const std::string& user, const std::string& password, int logonType)
{
    ITaskFolder* folder = state->RootFolder();
    TComPtr<ITaskDefinition> definition;
    Check(state->service->NewTask(0, definition.Put()));
    const TBstr text(xml);
    Check(definition->put_XmlText(text));
    const TBstr path(name);
    const TTextVariant account(user), secret(password), noSecurity("");
    TComPtr<IRegisteredTask> registered;
    Check(folder->RegisterTaskDefinition(path, definition.Get(), TASK_CREATE_OR_UPDATE, account,
                                         secret, static_cast<TASK_LOGON_TYPE>(logonType),
                                         noSecurity, registered.Put()));
}

void TWinTaskService::Delete(const std::string& name)
{
    const TBstr path(name);
    Check(state->RootFolder()->DeleteTask(path, 0));
}

void TWinTaskService::SetEnabled(const std::string& name, bool enabled)
{
    TComPtr<IRegisteredTask> task;
    Check(state->Task(name, task)->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE));
}

void TWinTaskService::Run(const std::string& name)
{
    TComPtr<IRegisteredTask> task;
    TComPtr<IRunningTask> running;
    const TTextVariant noParameters("");
    Check(state->Task(name, task)->Run(noParameters, running.Put()));
}

void TWinTaskService::Stop(const std::string& name)
{
    TComPtr<IRegisteredTask> task;
    Check(state->Task(name, task)->Stop(0));
}

TTaskServiceStatus TWinTaskService::Status(const std::string& name)
{
    TComPtr<IRegisteredTask> task;
    IRegisteredTask* registered = state->Task(name, task);
    TTaskServiceStatus status;
    TASK_STATE state = TASK_STATE_UNKNOWN;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG result = 0, missed = 0;
    Check(registered->get_State(&state));
    Check(registered->get_Enabled(&enabled));
    // Times and results a scheduler may not keep read as none.
    if (FAILED(registered->get_LastRunTime(&status.lastRunTime)))
        status.lastRunTime = 0;
    if (FAILED(registered->get_NextRunTime(&status.nextRunTime)))
        status.nextRunTime = 0;
    if (SUCCEEDED(registered->get_LastTaskResult(&result)))
        status.lastResult = result;
    if (SUCCEEDED(registered->get_NumberOfMissedRuns(&missed)))
        status.missedRuns = missed;
    status.state = state;
    status.enabled = enabled != VARIANT_FALSE;
    return status;
}
