#pragma once
// Connects data-aware controls to one dataset.

#include "dataset.h"

#include <QObject>
#include <QPointer>

namespace vdb {

class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(DataSet* dataSet, QObject* parent = nullptr)
        : QObject(parent)
        , m_dataSet(dataSet)
    {
    }
    DataSet* dataSet() const { return m_dataSet; }

private:
    QPointer<DataSet> m_dataSet;
};

} // namespace vdb
