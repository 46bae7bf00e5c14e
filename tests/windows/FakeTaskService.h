#pragma once

// A recording stand-in for the scheduler's COM objects: the service, its root folder, the
// registered tasks and their collection. Every call is written to a shared log; what a test does
// not use answers E_NOTIMPL.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include "common/platform/WinText_win.h"

// COM interfaces have no virtual destructor: each object deletes itself in Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#define KV_FAKE_UNUSED(...)                                                                        \
    HRESULT STDMETHODCALLTYPE __VA_ARGS__ override                                                 \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }

// The world the fakes share: registered tasks by name and the calls made.
struct TFakeScheduler {
    struct TTask {
        std::wstring xml;
        VARIANT_BOOL enabled = VARIANT_TRUE;
        TASK_STATE state = TASK_STATE_READY;
        DATE lastRun = 0, nextRun = 0;
        LONG lastResult = 0x41303, missed = 0;
    };
    std::map<std::wstring, TTask> tasks;
    std::vector<std::string> calls;
    HRESULT failRegister = S_OK; // answer of RegisterTaskDefinition when it is an error

    void Note(const std::string& call) { calls.push_back(call); }
};

// IUnknown and IDispatch for one interface; the object frees itself at the last release.
template <typename I> class TFakeObject : public I {
public:
    explicit TFakeObject(TFakeScheduler& world) : world(world) {}
    virtual ~TFakeObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(I)) {
            *object = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    KV_FAKE_UNUSED(GetTypeInfoCount(UINT*))
    KV_FAKE_UNUSED(GetTypeInfo(UINT, LCID, ITypeInfo**))
    KV_FAKE_UNUSED(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    KV_FAKE_UNUSED(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))

protected:
    TFakeScheduler& world;

private:
    ULONG references = 1;
};

inline BSTR FakeBstr(const std::wstring& text)
{
    return SysAllocString(text.c_str());
}

class TFakeDefinition : public TFakeObject<ITaskDefinition> {
public:
    using TFakeObject::TFakeObject;
    std::wstring xml;

    HRESULT STDMETHODCALLTYPE put_XmlText(BSTR text) override
    {
        world.Note("put_XmlText");
        xml = text;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_XmlText(BSTR* text) override
    {
        *text = FakeBstr(xml);
        return S_OK;
    }
    KV_FAKE_UNUSED(get_RegistrationInfo(IRegistrationInfo**))
    KV_FAKE_UNUSED(put_RegistrationInfo(IRegistrationInfo*))
    KV_FAKE_UNUSED(get_Triggers(ITriggerCollection**))
    KV_FAKE_UNUSED(put_Triggers(ITriggerCollection*))
    KV_FAKE_UNUSED(get_Settings(ITaskSettings**))
    KV_FAKE_UNUSED(put_Settings(ITaskSettings*))
    KV_FAKE_UNUSED(get_Data(BSTR*))
    KV_FAKE_UNUSED(put_Data(BSTR))
    KV_FAKE_UNUSED(get_Principal(IPrincipal**))
    KV_FAKE_UNUSED(put_Principal(IPrincipal*))
    KV_FAKE_UNUSED(get_Actions(IActionCollection**))
    KV_FAKE_UNUSED(put_Actions(IActionCollection*))
};

class TFakeTask : public TFakeObject<IRegisteredTask> {
public:
    TFakeTask(TFakeScheduler& world, std::wstring name) : TFakeObject(world), name(std::move(name))
    {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* text) override
    {
        *text = FakeBstr(name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_State(TASK_STATE* state) override
    {
        *state = Entry().state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override
    {
        *enabled = Entry().enabled;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override
    {
        world.Note(std::string("put_Enabled ") + (enabled ? "true" : "false") + Named());
        Entry().enabled = enabled;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Run(VARIANT parameters, IRunningTask** running) override
    {
        world.Note("Run" + Named() + (parameters.vt == VT_EMPTY ? "" : " with parameters"));
        *running = nullptr;
        Entry().state = TASK_STATE_RUNNING;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop(LONG flags) override
    {
        world.Note("Stop" + Named() + " " + std::to_string(flags));
        Entry().state = TASK_STATE_READY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LastRunTime(DATE* date) override
    {
        *date = Entry().lastRun;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NextRunTime(DATE* date) override
    {
        *date = Entry().nextRun;
        return Entry().nextRun ? S_OK : SCHED_S_TASK_NO_VALID_TRIGGERS;
    }
    HRESULT STDMETHODCALLTYPE get_LastTaskResult(LONG* result) override
    {
        *result = Entry().lastResult;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NumberOfMissedRuns(LONG* runs) override
    {
        *runs = Entry().missed;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Xml(BSTR* xml) override
    {
        *xml = FakeBstr(Entry().xml);
        return S_OK;
    }
    KV_FAKE_UNUSED(get_Path(BSTR*))
    KV_FAKE_UNUSED(RunEx(VARIANT, LONG, LONG, BSTR, IRunningTask**))
    KV_FAKE_UNUSED(GetInstances(LONG, IRunningTaskCollection**))
    KV_FAKE_UNUSED(get_Definition(ITaskDefinition**))
    KV_FAKE_UNUSED(GetSecurityDescriptor(LONG, BSTR*))
    KV_FAKE_UNUSED(SetSecurityDescriptor(BSTR, LONG))
    KV_FAKE_UNUSED(GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*))

private:
    TFakeScheduler::TTask& Entry() { return world.tasks[name]; }
    std::string Named() const { return " " + WideToUtf8(name); }

    std::wstring name;
};

class TFakeTaskList : public TFakeObject<IRegisteredTaskCollection> {
public:
    using TFakeObject::TFakeObject;

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override
    {
        *count = static_cast<LONG>(world.tasks.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IRegisteredTask** task) override
    {
        if (index.vt != VT_I4 || index.lVal < 1 ||
            index.lVal > static_cast<LONG>(world.tasks.size()))
            return E_INVALIDARG;
        auto entry = world.tasks.begin();
        std::advance(entry, index.lVal - 1);
        *task = new TFakeTask(world, entry->first);
        return S_OK;
    }
    KV_FAKE_UNUSED(get__NewEnum(IUnknown**))
};

class TFakeFolder : public TFakeObject<ITaskFolder> {
public:
    using TFakeObject::TFakeObject;

    HRESULT STDMETHODCALLTYPE GetTask(BSTR path, IRegisteredTask** task) override
    {
        if (world.tasks.count(path) == 0)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        *task = new TFakeTask(world, path);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTasks(LONG flags, IRegisteredTaskCollection** tasks) override
    {
        world.Note("GetTasks " + std::to_string(flags));
        *tasks = new TFakeTaskList(world);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG) override
    {
        world.Note("DeleteTask " + WideToUtf8(name));
        return world.tasks.erase(name) ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition,
                                                     LONG flags, VARIANT user, VARIANT password,
                                                     TASK_LOGON_TYPE logon, VARIANT sddl,
                                                     IRegisteredTask** task) override
    {
        world.Note("RegisterTaskDefinition " + WideToUtf8(path) + " flags " +
                   std::to_string(flags) + " user " + Text(user) + " password " + Text(password) +
                   " logon " + std::to_string(logon) + " sddl " + Text(sddl));
        if (FAILED(world.failRegister))
            return world.failRegister;
        BSTR xml = nullptr;
        definition->get_XmlText(&xml);
        world.tasks[path].xml = xml;
        SysFreeString(xml);
        *task = new TFakeTask(world, path);
        return S_OK;
    }
    KV_FAKE_UNUSED(get_Name(BSTR*))
    KV_FAKE_UNUSED(get_Path(BSTR*))
    KV_FAKE_UNUSED(GetFolder(BSTR, ITaskFolder**))
    KV_FAKE_UNUSED(GetFolders(LONG, ITaskFolderCollection**))
    KV_FAKE_UNUSED(CreateFolder(BSTR, VARIANT, ITaskFolder**))
    KV_FAKE_UNUSED(DeleteFolder(BSTR, LONG))
    KV_FAKE_UNUSED(RegisterTask(BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT,
                                IRegisteredTask**))
    KV_FAKE_UNUSED(GetSecurityDescriptor(LONG, BSTR*))
    KV_FAKE_UNUSED(SetSecurityDescriptor(BSTR, LONG))

private:
    static std::string Text(const VARIANT& value)
    {
        return value.vt == VT_BSTR ? WideToUtf8(value.bstrVal) : "(none)";
    }
};

class TFakeService : public TFakeObject<ITaskService> {
public:
    using TFakeObject::TFakeObject;

    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override
    {
        world.Note("GetFolder " + WideToUtf8(path));
        *folder = new TFakeFolder(world);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD, ITaskDefinition** definition) override
    {
        *definition = new TFakeDefinition(world);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain,
                                      VARIANT password) override
    {
        const bool empty = server.vt == VT_EMPTY && user.vt == VT_EMPTY && domain.vt == VT_EMPTY &&
                           password.vt == VT_EMPTY;
        world.Note(empty ? "Connect" : "Connect with arguments");
        return S_OK;
    }
    KV_FAKE_UNUSED(GetRunningTasks(LONG, IRunningTaskCollection**))
    KV_FAKE_UNUSED(get_Connected(VARIANT_BOOL*))
    KV_FAKE_UNUSED(get_TargetServer(BSTR*))
    KV_FAKE_UNUSED(get_ConnectedUser(BSTR*))
    KV_FAKE_UNUSED(get_ConnectedDomain(BSTR*))
    KV_FAKE_UNUSED(get_HighestVersion(DWORD*))
};
