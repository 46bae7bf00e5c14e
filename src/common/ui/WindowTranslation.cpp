#include "common/ui/WindowTranslation.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaProperty>
#include <QSet>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableWidget>
#include <QToolBox>
#include <QTreeWidget>
#include <QWidget>

#include "common/infra/Translate.h"

namespace {

constexpr const char* kTranslatedMark = "_kv_translatedIn";
constexpr const char* kExcludedMark = "_kv_notTranslated";

// "text" of a line edit is what the user typed, not a caption.
bool IsCaption(const QObject* object)
{
    return qobject_cast<const QLineEdit*>(object) == nullptr;
}

bool Always(const QObject*)
{
    return true;
}

struct TTextProperty {
    const char* Name;
    bool (*AppliesTo)(const QObject*);
};

// Texts shown to the user. "text" comes before the texts that follow it by default (icon text,
// tool tip of an action), so that those are not looked up twice.
constexpr TTextProperty kTextProperties[] = {
    {"windowTitle", Always},
    {"text", IsCaption},
    {"title", Always},
    {"iconText", Always},
    {"toolTip", Always},
    {"statusTip", Always},
    {"whatsThis", Always},
    {"placeholderText", Always},
    {"prefix", Always},
    {"suffix", Always},
    {"specialValueText", Always},
    {"accessibleName", Always},
    {"accessibleDescription", Always},
};

constexpr int kItemRoles[] = {Qt::DisplayRole, Qt::ToolTipRole, Qt::StatusTipRole,
                              Qt::WhatsThisRole};

class TWindowTranslator {
public:
    TWindowTranslator(QWidget* window, const char* domain) : FWindow(window), FDomain(domain) {}

    void Run() { Walk(FWindow); }

private:
    QString Translate(const QString& text) const { return TranslateText(FDomain, text); }

    void Walk(QObject* object)
    {
        if (object->property(kExcludedMark).toBool())
            return;
        if (object != FWindow && object->property(kTranslatedMark).isValid())
            return; // a window of its own, translated in its own domain
        TranslateProperties(object);
        TranslateIndexedTexts(object);
        if (auto* view = qobject_cast<QAbstractItemView*>(object))
            TranslateModel(view->model(), IsItemWidget(view));
        if (auto* combo = qobject_cast<QComboBox*>(object))
            TranslateModel(combo->model(), false);
        for (QObject* child : object->children())
            Walk(child);
    }

    void TranslateProperties(QObject* object) const
    {
        const QMetaObject* meta = object->metaObject();
        for (const TTextProperty& text : kTextProperties) {
            const int index = meta->indexOfProperty(text.Name);
            if (index < 0 || !text.AppliesTo(object))
                continue;
            const QMetaProperty property = meta->property(index);
            if (!property.isWritable() || property.typeId() != QMetaType::QString)
                continue;
            const QString value = property.read(object).toString();
            const QString translated = Translate(value);
            if (translated != value)
                property.write(object, translated);
        }
    }

    void TranslateIndexedTexts(QObject* object) const
    {
        if (auto* tabs = qobject_cast<QTabBar*>(object)) {
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setTabText(i, Translate(tabs->tabText(i)));
                tabs->setTabToolTip(i, Translate(tabs->tabToolTip(i)));
                tabs->setTabWhatsThis(i, Translate(tabs->tabWhatsThis(i)));
            }
        } else if (auto* box = qobject_cast<QToolBox*>(object)) {
            for (int i = 0; i < box->count(); ++i) {
                box->setItemText(i, Translate(box->itemText(i)));
                box->setItemToolTip(i, Translate(box->itemToolTip(i)));
            }
        }
    }

    static bool IsItemWidget(const QAbstractItemView* view)
    {
        return qobject_cast<const QListWidget*>(view) || qobject_cast<const QTreeWidget*>(view) ||
               qobject_cast<const QTableWidget*>(view);
    }

    // Only the models that hold the texts the window was built with: those of the item widgets
    // and standard item models. Other models deliver their own (translated) data.
    void TranslateModel(QAbstractItemModel* model, bool itemWidget)
    {
        if (model == nullptr || FModels.contains(model))
            return;
        if (!itemWidget && qobject_cast<QStandardItemModel*>(model) == nullptr)
            return;
        FModels.insert(model);
        TranslateHeaders(model, Qt::Horizontal, model->columnCount());
        TranslateHeaders(model, Qt::Vertical, model->rowCount());
        TranslateItems(model, QModelIndex());
    }

    void TranslateHeaders(QAbstractItemModel* model, Qt::Orientation orientation, int count) const
    {
        for (int section = 0; section < count; ++section) {
            for (int role : kItemRoles) {
                const QVariant value = model->headerData(section, orientation, role);
                if (value.typeId() != QMetaType::QString)
                    continue; // row numbers and the like
                const QString translated = Translate(value.toString());
                if (translated != value.toString())
                    model->setHeaderData(section, orientation, translated, role);
            }
        }
    }

    void TranslateItems(QAbstractItemModel* model, const QModelIndex& parent) const
    {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            for (int column = 0; column < model->columnCount(parent); ++column) {
                const QModelIndex index = model->index(row, column, parent);
                for (int role : kItemRoles) {
                    const QVariant value = index.data(role);
                    if (value.typeId() != QMetaType::QString)
                        continue;
                    const QString translated = Translate(value.toString());
                    if (translated != value.toString())
                        model->setData(index, translated, role);
                }
                if (column == 0 && model->hasChildren(index))
                    TranslateItems(model, index);
            }
        }
    }

    QWidget* FWindow;
    const char* FDomain;
    QSet<QAbstractItemModel*> FModels;
};

} // namespace

void TranslateWindow(QWidget* window, const char* domain)
{
    if (window == nullptr)
        return;
    TWindowTranslator(window, domain).Run();
    window->setProperty(kTranslatedMark, QByteArray(domain));
}

void ExcludeFromTranslation(QObject* object)
{
    if (object != nullptr)
        object->setProperty(kExcludedMark, true);
}
