#pragma once
// Controls bound to a field of a dataset's current row.

#include "platform/db/data_source.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

namespace vui {

// Shows its field; a text the program sets goes into the field at the next post.
class DBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);
    void bind(vdb::DataSource* source, const QString& fieldName);
    QString dataField() const { return m_field; }
    vdb::DataSource* dataSource() const { return m_source; }
    void setText(const QString& text); // marks the control modified

private:
    void refresh();
    void writeBack();

    QPointer<vdb::DataSource> m_source;
    QString m_field;
    bool m_dirty = false;
    bool m_refreshing = false;
};

// Shows the picture of a graphic field, scaled down to fit and keeping its
// proportions; a picture the program sets goes into the field at the next post.
class DBImage : public QLabel
{
    Q_OBJECT
public:
    explicit DBImage(QWidget* parent = nullptr);
    void bind(vdb::DataSource* source, const QString& fieldName);
    void setPicture(const QImage& picture);
    QImage picture() const { return m_picture; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void show(const QImage& picture);
    void writeBack();

    QPointer<vdb::DataSource> m_source;
    QString m_field;
    QImage m_picture;
    bool m_dirty = false;
};

// First, prior, next and last over a dataset: it moves the dataset and then
// reports the button pressed.
class DBNavigator : public QWidget
{
    Q_OBJECT
public:
    enum Button { nbFirst, nbPrior, nbNext, nbLast };
    Q_ENUM(Button)
    explicit DBNavigator(QWidget* parent = nullptr);
    void bind(vdb::DataSource* source);
    QToolButton* button(Button which) const { return m_buttons[which]; }
    void press(Button which);
    // The button the keyboard works on: Space presses it.
    Button current() const { return Button(m_current); }

signals:
    void clicked(vui::DBNavigator::Button button);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();
    void showCurrent();
    // The enabled button nearest to `from` (itself included when step is 0),
    // or only in the direction of step; `from` when there is none.
    int enabledNear(int from, int step) const;

    QPointer<vdb::DataSource> m_source;
    QToolButton* m_buttons[4];
    int m_current = nbFirst; // the button the keyboard works on
};

} // namespace vui
