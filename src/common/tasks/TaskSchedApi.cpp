#include "common/tasks/TaskSchedApi.h"

#include <array>

#include <QBuffer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "common/infra/Translate.h"

EOleSysError::EOleSysError(HRESULT code, const QString& message)
    : std::runtime_error(message.toStdString()), FCode(code)
{}

QString TaskPathOf(const QString& name)
{
    return u'\\' + name;
}

std::vector<int> ITaskBackend::States(const QStringList& names)
{
    std::vector<int> states;
    states.reserve(size_t(names.size()));
    for (const QString& name : names) {
        try {
            states.push_back(Info(name).state);
        } catch (const EOleSysError&) {
            states.push_back(TaskState::kUnknown);
        }
    }
    return states;
}

namespace {

const QString kNamespace = QStringLiteral("http://schemas.microsoft.com/windows/2004/02/mit/task");

constexpr std::array kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
constexpr std::array kMonthNames = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};
// Logon types 1..6.
constexpr std::array kLogonNames = {
    "Password", "S4U", "InteractiveToken", "Group", "ServiceAccount", "InteractiveTokenOrPassword"};
constexpr std::array kInstanceNames = {"Parallel", "Queue", "IgnoreNew", "StopExisting"};

struct TTriggerElement {
    int type;
    const char* element;
};
// Calendar triggers are told apart by their schedule element.
constexpr std::array kTriggerElements = {
    TTriggerElement{TriggerKind::kEvent, "EventTrigger"},
    TTriggerElement{TriggerKind::kTime, "TimeTrigger"},
    TTriggerElement{TriggerKind::kIdle, "IdleTrigger"},
    TTriggerElement{TriggerKind::kRegistration, "RegistrationTrigger"},
    TTriggerElement{TriggerKind::kBoot, "BootTrigger"},
    TTriggerElement{TriggerKind::kLogon, "LogonTrigger"},
    TTriggerElement{TriggerKind::kSessionStateChange, "SessionStateChangeTrigger"},
};
constexpr std::array kActionElements = {
    TTriggerElement{ActionKind::kExec, "Exec"},
    TTriggerElement{ActionKind::kComHandler, "ComHandler"},
    TTriggerElement{ActionKind::kEmail, "SendEmail"},
    TTriggerElement{ActionKind::kShowMessage, "ShowMessage"},
};

QString BoolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool ReadBool(const QString& text)
{
    const QString t = text.trimmed().toLower();
    return t == u"true" || t == u"1";
}

int ReadInt(const QString& text, int fallback)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : fallback;
}

template <size_t N> int IndexOfName(const std::array<const char*, N>& names, QStringView name)
{
    for (size_t i = 0; i < N; ++i)
        if (name == QLatin1String(names[i]))
            return int(i);
    return -1;
}

// ---- Writing ----

class TWriter {
public:
    explicit TWriter(QXmlStreamWriter& w) : W(w) {}

    void Text(const char* name, const QString& value)
    {
        if (!value.isEmpty())
            W.writeTextElement(QLatin1String(name), value);
    }
    void Bool(const char* name, bool value)
    {
        W.writeTextElement(QLatin1String(name), BoolText(value));
    }
    void Int(const char* name, int value)
    {
        W.writeTextElement(QLatin1String(name), QString::number(value));
    }

    void Bits(const char* group, const auto& names, int mask)
    {
        W.writeStartElement(QLatin1String(group));
        for (size_t i = 0; i < names.size(); ++i)
            if (mask & (1 << i))
                W.writeEmptyElement(QLatin1String(names[i]));
        W.writeEndElement();
    }

    // Copies an element kept as text into the document.
    void Raw(const QString& xml)
    {
        QXmlStreamReader r(xml);
        int depth = 0;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                ++depth;
                W.writeStartElement(r.name().toString());
                for (const auto& a : r.attributes())
                    W.writeAttribute(a.name().toString(), a.value().toString());
            } else if (r.isEndElement()) {
                if (--depth < 0)
                    break;
                W.writeEndElement();
            } else if (r.isCharacters() && depth > 0 && !r.isWhitespace()) {
                W.writeCharacters(r.text().toString());
            }
        }
    }

    void Trigger(const TTaskTriggerData& t);
    void Action(const TTaskActionData& a);
    void Settings(const TTaskSettingsData& s);

    QXmlStreamWriter& W;
};

const char* TriggerElementName(int type)
{
    for (const auto& e : kTriggerElements)
        if (e.type == type)
            return e.element;
    return "CalendarTrigger";
}

void TWriter::Trigger(const TTaskTriggerData& t)
{
    const bool known = (t.type >= TriggerKind::kEvent && t.type <= TriggerKind::kLogon) ||
                       t.type == TriggerKind::kSessionStateChange;
    if (!known) {
        Raw(t.rawXml.isEmpty() ? QStringLiteral("<CustomTrigger/>") : t.rawXml);
        return;
    }
    W.writeStartElement(QLatin1String(TriggerElementName(t.type)));
    if (!t.id.isEmpty())
        W.writeAttribute(QStringLiteral("id"), t.id);
    if (!t.repetition.interval.isEmpty()) {
        W.writeStartElement(QStringLiteral("Repetition"));
        Text("Interval", t.repetition.interval);
        Text("Duration", t.repetition.duration);
        Bool("StopAtDurationEnd", t.repetition.stopAtDurationEnd);
        W.writeEndElement();
    }
    Text("StartBoundary", t.startBoundary);
    Text("EndBoundary", t.endBoundary);
    Text("ExecutionTimeLimit", t.executionTimeLimit);
    Bool("Enabled", t.enabled);
    switch (t.type) {
    case TriggerKind::kEvent:
        Text("Subscription", t.subscription);
        Text("Delay", t.delay);
        break;
    case TriggerKind::kBoot:
    case TriggerKind::kRegistration:
        Text("Delay", t.delay);
        break;
    case TriggerKind::kLogon:
        Text("UserId", t.userId);
        Text("Delay", t.delay);
        break;
    case TriggerKind::kSessionStateChange:
        Text("UserId", t.userId);
        Text("StateChange", t.stateChange);
        break;
    case TriggerKind::kTime:
        Text("RandomDelay", t.randomDelay);
        break;
    case TriggerKind::kDaily:
        Text("RandomDelay", t.randomDelay);
        W.writeStartElement(QStringLiteral("ScheduleByDay"));
        Int("DaysInterval", t.daysInterval);
        W.writeEndElement();
        break;
    case TriggerKind::kWeekly:
        Text("RandomDelay", t.randomDelay);
        W.writeStartElement(QStringLiteral("ScheduleByWeek"));
        Bits("DaysOfWeek", kDayNames, t.daysOfWeek);
        Int("WeeksInterval", t.weeksInterval);
        W.writeEndElement();
        break;
    case TriggerKind::kMonthly:
        Text("RandomDelay", t.randomDelay);
        W.writeStartElement(QStringLiteral("ScheduleByMonth"));
        W.writeStartElement(QStringLiteral("DaysOfMonth"));
        for (int d = 0; d < 31; ++d)
            if (t.daysOfMonth & (1 << d))
                W.writeTextElement(QStringLiteral("Day"), QString::number(d + 1));
        if (t.runOnLastDayOfMonth)
            W.writeTextElement(QStringLiteral("Day"), QStringLiteral("Last"));
        W.writeEndElement();
        Bits("Months", kMonthNames, t.monthsOfYear);
        W.writeEndElement();
        break;
    case TriggerKind::kMonthlyDow:
        Text("RandomDelay", t.randomDelay);
        W.writeStartElement(QStringLiteral("ScheduleByMonthDayOfWeek"));
        W.writeStartElement(QStringLiteral("Weeks"));
        for (int w = 0; w < 4; ++w)
            if (t.weeksOfMonth & (1 << w))
                W.writeTextElement(QStringLiteral("Week"), QString::number(w + 1));
        if (t.runOnLastWeekOfMonth)
            W.writeTextElement(QStringLiteral("Week"), QStringLiteral("Last"));
        W.writeEndElement();
        Bits("DaysOfWeek", kDayNames, t.daysOfWeek);
        Bits("Months", kMonthNames, t.monthsOfYear);
        W.writeEndElement();
        break;
    default:
        break;
    }
    W.writeEndElement();
}

const char* ActionElementName(int type)
{
    for (const auto& e : kActionElements)
        if (e.type == type)
            return e.element;
    return "Exec";
}

void TWriter::Action(const TTaskActionData& a)
{
    if (a.type != ActionKind::kExec && !a.rawXml.isEmpty()) {
        Raw(a.rawXml);
        return;
    }
    W.writeStartElement(QLatin1String(ActionElementName(a.type)));
    if (!a.id.isEmpty())
        W.writeAttribute(QStringLiteral("id"), a.id);
    if (a.type == ActionKind::kExec) {
        Text("Command", a.path);
        Text("Arguments", a.arguments);
        Text("WorkingDirectory", a.workingDirectory);
    }
    W.writeEndElement();
}

void TWriter::Settings(const TTaskSettingsData& s)
{
    W.writeStartElement(QStringLiteral("Settings"));
    if (s.multipleInstances >= 0 && s.multipleInstances < int(kInstanceNames.size()))
        W.writeTextElement(QStringLiteral("MultipleInstancesPolicy"),
                           QLatin1String(kInstanceNames[size_t(s.multipleInstances)]));
    Bool("DisallowStartIfOnBatteries", s.disallowStartIfOnBatteries);
    Bool("StopIfGoingOnBatteries", s.stopIfGoingOnBatteries);
    Bool("AllowHardTerminate", s.allowHardTerminate);
    Bool("StartWhenAvailable", s.startWhenAvailable);
    Bool("RunOnlyIfNetworkAvailable", s.runOnlyIfNetworkAvailable);
    W.writeStartElement(QStringLiteral("IdleSettings"));
    Text("Duration", s.idle.duration);
    Text("WaitTimeout", s.idle.waitTimeout);
    Bool("StopOnIdleEnd", s.idle.stopOnIdleEnd);
    Bool("RestartOnIdle", s.idle.restartOnIdle);
    W.writeEndElement();
    Bool("AllowStartOnDemand", s.allowDemandStart);
    Bool("Enabled", s.enabled);
    Bool("Hidden", s.hidden);
    Bool("RunOnlyIfIdle", s.runOnlyIfIdle);
    Bool("WakeToRun", s.wakeToRun);
    Text("ExecutionTimeLimit", s.executionTimeLimit);
    // "PT0S" is a stored value of its own (delete at once); empty means never.
    Text("DeleteExpiredTaskAfter", s.deleteExpiredTaskAfter);
    Int("Priority", s.priority);
    if (!s.restartInterval.isEmpty() || s.restartCount > 0) {
        W.writeStartElement(QStringLiteral("RestartOnFailure"));
        Text("Interval", s.restartInterval);
        Int("Count", s.restartCount);
        W.writeEndElement();
    }
    W.writeEndElement();
}

QString VersionOf(int compatibility)
{
    return QStringLiteral("1.") + QString::number(qBound(0, compatibility, 9));
}

// ---- Reading ----

class TReader {
public:
    explicit TReader(const QString& xml) : R(xml) {}

    TTaskDefinitionData Read();

private:
    QString Text() { return R.readElementText(QXmlStreamReader::IncludeChildElements).trimmed(); }
    QString CopyElement();
    int ReadBits(const auto& names);
    void ReadRegistration(TTaskRegistrationData& reg);
    void ReadPrincipals(TTaskPrincipalData& p);
    void ReadSettings(TTaskSettingsData& s);
    void ReadIdle(TTaskIdleData& idle);
    void ReadTriggers(TTaskDefinitionData& def);
    void ReadTrigger(TTaskTriggerData& t);
    void ReadSchedule(TTaskTriggerData& t);
    void ReadActions(TTaskDefinitionData& def);

    // Calls body for every child element of the current element.
    template <typename F> void Children(F body)
    {
        while (R.readNextStartElement())
            body(R.name());
    }

    QXmlStreamReader R;
};

QString TReader::CopyElement()
{
    QString out;
    QXmlStreamWriter w(&out);
    int depth = 0;
    do {
        if (R.isStartElement()) {
            ++depth;
            w.writeStartElement(R.name().toString());
            for (const auto& a : R.attributes())
                w.writeAttribute(a.name().toString(), a.value().toString());
        } else if (R.isEndElement()) {
            --depth;
            w.writeEndElement();
        } else if (R.isCharacters() && !R.isWhitespace()) {
            w.writeCharacters(R.text().toString());
        }
        if (depth == 0)
            break;
        R.readNext();
    } while (!R.atEnd());
    return out;
}

int TReader::ReadBits(const auto& names)
{
    int mask = 0;
    Children([&](QStringView name) {
        const int i = IndexOfName(names, name);
        if (i >= 0)
            mask |= 1 << i;
        R.skipCurrentElement();
    });
    return mask;
}

void TReader::ReadRegistration(TTaskRegistrationData& reg)
{
    Children([&](QStringView name) {
        if (name == u"Description")
            reg.description = Text();
        else if (name == u"Author")
            reg.author = Text();
        else if (name == u"Date")
            reg.date = Text();
        else if (name == u"Documentation")
            reg.documentation = Text();
        else if (name == u"URI")
            reg.uri = Text();
        else
            R.skipCurrentElement();
    });
}

void TReader::ReadPrincipals(TTaskPrincipalData& p)
{
    bool first = true;
    Children([&](QStringView) {
        if (!first) {
            R.skipCurrentElement();
            return;
        }
        first = false;
        p.id = R.attributes().value(QStringLiteral("id")).toString();
        p.logonType = 0;
        Children([&](QStringView name) {
            if (name == u"UserId")
                p.userId = Text();
            else if (name == u"GroupId")
                p.groupId = Text();
            else if (name == u"DisplayName")
                p.displayName = Text();
            else if (name == u"LogonType")
                p.logonType = IndexOfName(kLogonNames, Text()) + 1;
            else if (name == u"RunLevel")
                p.runLevel = Text() == u"HighestAvailable" ? 1 : 0;
            else
                R.skipCurrentElement();
        });
    });
}

void TReader::ReadIdle(TTaskIdleData& idle)
{
    Children([&](QStringView name) {
        if (name == u"Duration")
            idle.duration = Text();
        else if (name == u"WaitTimeout")
            idle.waitTimeout = Text();
        else if (name == u"StopOnIdleEnd")
            idle.stopOnIdleEnd = ReadBool(Text());
        else if (name == u"RestartOnIdle")
            idle.restartOnIdle = ReadBool(Text());
        else
            R.skipCurrentElement();
    });
}

void TReader::ReadSettings(TTaskSettingsData& s)
{
    // Elements left out of a document take the scheduler's defaults.
    s.executionTimeLimit = QStringLiteral("PT72H");
    Children([&](QStringView name) {
        const auto flag = [&](const char* element, bool& field) {
            if (name != QLatin1String(element))
                return false;
            field = ReadBool(Text());
            return true;
        };
        if (flag("Enabled", s.enabled) || flag("AllowStartOnDemand", s.allowDemandStart) ||
            flag("AllowHardTerminate", s.allowHardTerminate) ||
            flag("DisallowStartIfOnBatteries", s.disallowStartIfOnBatteries) ||
            flag("StopIfGoingOnBatteries", s.stopIfGoingOnBatteries) || flag("Hidden", s.hidden) ||
            flag("RunOnlyIfIdle", s.runOnlyIfIdle) ||
            flag("RunOnlyIfNetworkAvailable", s.runOnlyIfNetworkAvailable) ||
            flag("WakeToRun", s.wakeToRun) || flag("StartWhenAvailable", s.startWhenAvailable))
            return;
        if (name == u"ExecutionTimeLimit")
            s.executionTimeLimit = Text();
        else if (name == u"DeleteExpiredTaskAfter")
            s.deleteExpiredTaskAfter = Text();
        else if (name == u"Priority")
            s.priority = qBound(0, ReadInt(Text(), 7), 10);
        else if (name == u"MultipleInstancesPolicy")
            s.multipleInstances = qMax(0, IndexOfName(kInstanceNames, Text()));
        else if (name == u"IdleSettings")
            ReadIdle(s.idle);
        else if (name == u"RestartOnFailure")
            Children([&](QStringView inner) {
                if (inner == u"Interval")
                    s.restartInterval = Text();
                else if (inner == u"Count")
                    s.restartCount = qMax(0, ReadInt(Text(), 0));
                else
                    R.skipCurrentElement();
            });
        else
            R.skipCurrentElement();
    });
}

void TReader::ReadSchedule(TTaskTriggerData& t)
{
    const QStringView kind = R.name();
    if (kind == u"ScheduleByDay")
        t.type = TriggerKind::kDaily;
    else if (kind == u"ScheduleByWeek")
        t.type = TriggerKind::kWeekly;
    else if (kind == u"ScheduleByMonth")
        t.type = TriggerKind::kMonthly;
    else
        t.type = TriggerKind::kMonthlyDow;
    Children([&](QStringView name) {
        if (name == u"DaysInterval")
            t.daysInterval = ReadInt(Text(), 1);
        else if (name == u"WeeksInterval")
            t.weeksInterval = ReadInt(Text(), 1);
        else if (name == u"DaysOfWeek")
            t.daysOfWeek = ReadBits(kDayNames);
        else if (name == u"Months")
            t.monthsOfYear = ReadBits(kMonthNames);
        else if (name == u"DaysOfMonth")
            Children([&](QStringView) {
                const QString day = Text();
                const int d = ReadInt(day, 0);
                if (day == u"Last")
                    t.runOnLastDayOfMonth = true;
                else if (d >= 1 && d <= 31)
                    t.daysOfMonth |= 1 << (d - 1);
            });
        else if (name == u"Weeks")
            Children([&](QStringView) {
                const QString week = Text();
                const int w = ReadInt(week, 0);
                if (week == u"Last")
                    t.runOnLastWeekOfMonth = true;
                else if (w >= 1 && w <= 4)
                    t.weeksOfMonth |= 1 << (w - 1);
            });
        else
            R.skipCurrentElement();
    });
}

void TReader::ReadTrigger(TTaskTriggerData& t)
{
    t.id = R.attributes().value(QStringLiteral("id")).toString();
    Children([&](QStringView name) {
        if (name == u"StartBoundary")
            t.startBoundary = Text();
        else if (name == u"EndBoundary")
            t.endBoundary = Text();
        else if (name == u"Enabled")
            t.enabled = ReadBool(Text());
        else if (name == u"ExecutionTimeLimit")
            t.executionTimeLimit = Text();
        else if (name == u"RandomDelay")
            t.randomDelay = Text();
        else if (name == u"Delay")
            t.delay = Text();
        else if (name == u"Subscription")
            t.subscription = Text();
        else if (name == u"UserId")
            t.userId = Text();
        else if (name == u"StateChange")
            t.stateChange = Text();
        else if (name == u"Repetition")
            Children([&](QStringView inner) {
                if (inner == u"Interval")
                    t.repetition.interval = Text();
                else if (inner == u"Duration")
                    t.repetition.duration = Text();
                else if (inner == u"StopAtDurationEnd")
                    t.repetition.stopAtDurationEnd = ReadBool(Text());
                else
                    R.skipCurrentElement();
            });
        else if (name.startsWith(u"ScheduleBy"))
            ReadSchedule(t);
        else
            R.skipCurrentElement();
    });
}

void TReader::ReadTriggers(TTaskDefinitionData& def)
{
    Children([&](QStringView name) {
        auto t = std::make_shared<TTaskTriggerData>();
        t->type = -1;
        for (const auto& e : kTriggerElements)
            if (name == QLatin1String(e.element))
                t->type = e.type;
        if (t->type < 0 && name != u"CalendarTrigger") {
            t->type = TriggerKind::kCustom;
            t->rawXml = CopyElement();
        } else {
            ReadTrigger(*t);
            if (t->type < 0) // a calendar trigger without schedule
                t->type = TriggerKind::kDaily;
        }
        def.triggers.push_back(std::move(t));
    });
}

void TReader::ReadActions(TTaskDefinitionData& def)
{
    Children([&](QStringView name) {
        auto a = std::make_shared<TTaskActionData>();
        a->type = -1;
        for (const auto& e : kActionElements)
            if (name == QLatin1String(e.element))
                a->type = e.type;
        if (a->type != ActionKind::kExec) {
            if (a->type < 0)
                a->type = ActionKind::kComHandler;
            a->id = R.attributes().value(QStringLiteral("id")).toString();
            a->rawXml = CopyElement();
        } else {
            a->id = R.attributes().value(QStringLiteral("id")).toString();
            Children([&](QStringView inner) {
                if (inner == u"Command")
                    a->path = Text();
                else if (inner == u"Arguments")
                    a->arguments = Text();
                else if (inner == u"WorkingDirectory")
                    a->workingDirectory = Text();
                else
                    R.skipCurrentElement();
            });
        }
        def.actions.push_back(std::move(a));
    });
}

TTaskDefinitionData TReader::Read()
{
    TTaskDefinitionData def;
    if (!R.readNextStartElement() || R.name() != u"Task")
        throw EOleSysError(TaskResult::kMalformedXml, Tr("The task XML is malformed."));
    const QString version = R.attributes().value(QStringLiteral("version")).toString();
    if (version.startsWith(u"1."))
        def.settings.compatibility = qMax(0, ReadInt(version.mid(2), 2));
    Children([&](QStringView name) {
        if (name == u"RegistrationInfo")
            ReadRegistration(def.registration);
        else if (name == u"Principals")
            ReadPrincipals(def.principal);
        else if (name == u"Settings")
            ReadSettings(def.settings);
        else if (name == u"Triggers")
            ReadTriggers(def);
        else if (name == u"Actions")
            ReadActions(def);
        else if (name == u"Data")
            def.data = R.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            R.skipCurrentElement();
    });
    if (R.hasError())
        throw EOleSysError(TaskResult::kMalformedXml,
                           Tr("The task XML is malformed.") + u' ' + R.errorString());
    return def;
}

} // namespace

QString DefinitionToXml(const TTaskDefinitionData& def)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("Task"));
    w.writeAttribute(QStringLiteral("version"), VersionOf(def.settings.compatibility));
    w.writeDefaultNamespace(kNamespace);
    TWriter out(w);

    w.writeStartElement(QStringLiteral("RegistrationInfo"));
    out.Text("Date", def.registration.date);
    out.Text("Author", def.registration.author);
    out.Text("Description", def.registration.description);
    out.Text("Documentation", def.registration.documentation);
    out.Text("URI", def.registration.uri);
    w.writeEndElement();

    w.writeStartElement(QStringLiteral("Triggers"));
    for (const auto& t : def.triggers)
        out.Trigger(*t);
    w.writeEndElement();

    const TTaskPrincipalData& p = def.principal;
    w.writeStartElement(QStringLiteral("Principals"));
    w.writeStartElement(QStringLiteral("Principal"));
    w.writeAttribute(QStringLiteral("id"), p.id.isEmpty() ? QStringLiteral("Author") : p.id);
    out.Text("UserId", p.userId);
    out.Text("GroupId", p.groupId);
    out.Text("DisplayName", p.displayName);
    if (p.logonType >= 1 && p.logonType <= int(kLogonNames.size()))
        w.writeTextElement(QStringLiteral("LogonType"),
                           QLatin1String(kLogonNames[size_t(p.logonType - 1)]));
    w.writeTextElement(QStringLiteral("RunLevel"), p.runLevel == 1
                                                       ? QStringLiteral("HighestAvailable")
                                                       : QStringLiteral("LeastPrivilege"));
    w.writeEndElement();
    w.writeEndElement();

    out.Settings(def.settings);
    out.Text("Data", def.data);

    w.writeStartElement(QStringLiteral("Actions"));
    w.writeAttribute(QStringLiteral("Context"), p.id.isEmpty() ? QStringLiteral("Author") : p.id);
    for (const auto& a : def.actions)
        out.Action(*a);
    w.writeEndElement();

    w.writeEndElement();
    w.writeEndDocument();
    return QString::fromUtf8(bytes);
}

TTaskDefinitionData DefinitionFromXml(const QString& xml)
{
    return TReader(xml).Read();
}
