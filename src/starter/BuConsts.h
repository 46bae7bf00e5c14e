#pragma once

// Session and power actions after a run.
enum TDownMode { dmNone, dmPowerOff, dmShutdown, dmLogOff, dmRestart, dmIdleOff, dmHybrid };
enum TSuspendMode { smNone, smStandby, smHibernate };
