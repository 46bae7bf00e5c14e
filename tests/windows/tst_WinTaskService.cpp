// The Task Scheduler service: register, read back and delete against the system's scheduler
// (Wine's included); listing, run, stop and enable, which Wine does not implement, against a
// recording stand-in of the COM objects.
#include <gtest/gtest.h>

#include "FakeTaskService.h"
#include "WinTestSupport.h"
#include "common/platform/WinTaskService_win.h"

namespace {

const std::string kTaskName = "Kelvara test \xc3\xa4 Daily";

std::string TaskXml(const std::string& description)
{
    return R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <RegistrationInfo><Description>)" +
           description + R"(</Description><Author>Kelvara</Author></RegistrationInfo>
  <Principals><Principal id="Author"><LogonType>InteractiveToken</LogonType><RunLevel>LeastPrivilege</RunLevel></Principal></Principals>
  <Settings><Enabled>true</Enabled><AllowStartOnDemand>true</AllowStartOnDemand></Settings>
  <Triggers><TimeTrigger><StartBoundary>2030-01-01T03:00:00</StartBoundary><Enabled>true</Enabled></TimeTrigger></Triggers>
  <Actions Context="Author"><Exec><Command>C:\Program Files\Kelvara\KvStarter.exe</Command><Arguments>Daily /force</Arguments></Exec></Actions>
</Task>)";
}

TEST(WinTaskService, RegistersReadsBackAndDeletes)
{
    TWinTaskService service;
    service.Connect();
    const std::string description = "Backup \xe2\x82\xac \xd0\x96";
    service.Register(kTaskName, TaskXml(description), {}, {}, TASK_LOGON_INTERACTIVE_TOKEN);
    const std::string xml = service.TaskXml(kTaskName);
    EXPECT_NE(xml.find(description), std::string::npos) << xml;
    // Registering again replaces the task.
    service.Register(kTaskName, TaskXml("second"), {}, {}, TASK_LOGON_INTERACTIVE_TOKEN);
    EXPECT_NE(service.TaskXml(kTaskName).find("second"), std::string::npos);
    const TTaskServiceStatus status = service.Status(kTaskName);
    EXPECT_TRUE(status.enabled);
    service.Delete(kTaskName);
    try {
        service.TaskXml(kTaskName);
        FAIL() << "the task is still there";
    } catch (const ETaskServiceError& error) {
        EXPECT_EQ(error.Code(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_FALSE(std::string(error.what()).empty());
    }
}

TEST(WinTaskService, BadXmlIsRefused)
{
    TWinTaskService service;
    service.Connect();
    EXPECT_THROW(service.Register(kTaskName, "<Task><unclosed>", {}, {}, 3), ETaskServiceError);
    EXPECT_THROW(service.TaskXml(kTaskName), ETaskServiceError);
}

TEST(WinTaskService, UnconnectedServiceSaysSo)
{
    TWinTaskService service;
    try {
        service.TaskNames();
        FAIL();
    } catch (const ETaskServiceError& error) {
        EXPECT_EQ(error.Code(), SCHED_E_SERVICE_NOT_RUNNING);
    }
}

class WinTaskServiceFake : public testing::Test {
protected:
    WinTaskServiceFake()
    {
        TFakeService* fake = new TFakeService(world);
        service = std::make_unique<TWinTaskService>(fake);
        fake->Release();
        service->Connect();
    }
    TFakeScheduler world;
    std::unique_ptr<TWinTaskService> service;
};

TEST_F(WinTaskServiceFake, RegistersWithAccountAndLogonType)
{
    service->Register("Daily \xc3\xa4", "<Task/>", "PC\\backup", "s\xc3\xa9kret",
                      TASK_LOGON_PASSWORD);
    service->Register("Weekly", "<Task/>", {}, {}, TASK_LOGON_INTERACTIVE_TOKEN);
    EXPECT_EQ(world.calls,
              (std::vector<std::string>{
                  "Connect", "GetFolder \\", "put_XmlText",
                  "RegisterTaskDefinition Daily \xc3\xa4 flags 6 user PC\\backup password "
                  "s\xc3\xa9kret logon 1 sddl (none)",
                  "put_XmlText",
                  "RegisterTaskDefinition Weekly flags 6 user (none) password (none) logon 3 "
                  "sddl (none)"}));
    EXPECT_EQ(service->TaskXml("Daily \xc3\xa4"), "<Task/>");
}

TEST_F(WinTaskServiceFake, RefusedRegistrationRaisesTheCode)
{
    world.failRegister = HRESULT_FROM_WIN32(ERROR_LOGON_FAILURE);
    try {
        service->Register("Daily", "<Task/>", "PC\\backup", "wrong", TASK_LOGON_PASSWORD);
        FAIL();
    } catch (const ETaskServiceError& error) {
        EXPECT_EQ(error.Code(), HRESULT(0x8007052E));
        EXPECT_FALSE(std::string(error.what()).empty());
    }
    EXPECT_TRUE(world.tasks.empty());
}

TEST_F(WinTaskServiceFake, ListsEveryTaskHiddenOnesIncluded)
{
    EXPECT_TRUE(service->TaskNames().empty());
    for (const wchar_t* name : {L"B \u00e4", L"A", L"C"})
        world.tasks[name].xml = L"<Task/>";
    EXPECT_EQ(service->TaskNames(), (std::vector<std::string>{"A", "B \xc3\xa4", "C"}));
    EXPECT_EQ(world.calls.back(), "GetTasks " + std::to_string(TASK_ENUM_HIDDEN));
}

TEST_F(WinTaskServiceFake, RunStopEnableAndStatus)
{
    auto& task = world.tasks[L"Daily"];
    task.lastRun = 46000.5;
    task.lastResult = 3;
    task.missed = 2;
    service->Run("Daily");
    EXPECT_EQ(service->Status("Daily").state, TASK_STATE_RUNNING);
    service->Stop("Daily");
    service->SetEnabled("Daily", false);
    const TTaskServiceStatus status = service->Status("Daily");
    EXPECT_FALSE(status.enabled);
    EXPECT_EQ(status.state, TASK_STATE_READY);
    EXPECT_EQ(status.lastRunTime, 46000.5);
    EXPECT_EQ(status.nextRunTime, 0.0);
    EXPECT_EQ(status.lastResult, 3);
    EXPECT_EQ(status.missedRuns, 2);
    EXPECT_EQ(std::vector<std::string>(world.calls.begin() + 2, world.calls.end()),
              (std::vector<std::string>{"Run Daily", "Stop Daily 0", "put_Enabled false Daily"}));
}

TEST_F(WinTaskServiceFake, MissingTaskRaisesFileNotFound)
{
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { service->Run("none"); }, [&] { service->Stop("none"); },
             [&] { service->SetEnabled("none", true); }, [&] { service->Delete("none"); },
             [&] { service->Status("none"); }}) {
        try {
            call();
            FAIL();
        } catch (const ETaskServiceError& error) {
            EXPECT_EQ(error.Code(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        }
    }
}

} // namespace
