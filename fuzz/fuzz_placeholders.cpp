// The placeholder expander: any text with any words expands without a crash, and text without
// a placeholder sign stays as it is.

#include "FuzzSupport.h"
#include "common/backup/PlaceHolders.h"
#include "common/backup/Volumes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TVolumeTable volumes(ScratchFile(QStringLiteral("by-label")),
                                      ScratchFile(QStringLiteral("mounts")));
    QByteArray input = FuzzBytes(data, size);
    const uint8_t selector = TakeSelector(input);
    const QString text = QString::fromUtf8(input);
    // A moment in any year from 1 to 9999, and counters around their limits.
    const QDateTime now(QDate(1 + selector * 39, 1 + selector % 12, 1 + selector % 31),
                        QTime(selector % 24, selector % 60));
    const int count = (selector & 1) ? -int(selector) : int(selector) * 1000;

    const QString dates = ExpandDatePlaceholders(text, count, now);
    (void)ExpandPathPlaceholders(text);
    const QString destination = ExpandDestination(text, text.left(8), count, now);
    (void)ExpandLogName(text, text.left(16), now, volumes);
    if (now.date().isValid())
        FUZZ_CHECK(WeekOfTheMonth(now.date()) >= 1 && WeekOfTheMonth(now.date()) <= 5);

    if (!text.contains(u'%')) {
        FUZZ_CHECK(dates == text);
        FUZZ_CHECK(destination == text);
    }
    return 0;
}
