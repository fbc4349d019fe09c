#pragma once
// The results report's holder: one instance for the whole run, never shown;
// the report choice and its "Siguente" step set it up and preview it.

#include "platform/report/charts.h"
#include "platform/report/report.h"
#include "platform/ui/form.h"

#include <memory>

namespace Ui {
class TForm10;
}

class TForm10 : public vui::Form
{
    Q_OBJECT
public:
    // The report is part of the holder's definition: it is built whatever
    // `opening` says, since the single instance is used as it stands.
    explicit TForm10(QWidget* owner = nullptr, bool opening = true);
    ~TForm10() override;

    vrep::Report* QuickRep1;

    vrep::Band* QRBand1; // title
    vrep::Band* QRBand2; // column header
    vrep::Band* QRBand3; // detail
    vrep::Band* QRBand5; // summary
    vrep::Band* QRBand6; // page footer

    vrep::SysData* QRSysData1;
    vrep::Label* QRLabel1;
    vrep::Label* QRLabel2;
    vrep::Label* QRLabel3;
    vrep::Label* QRLabel6;
    vrep::Label* QRLabel7;
    vrep::Label* QRLabel8;
    vrep::Label* QRLabel4;
    vrep::Label* QRLabel9;
    vrep::Shape* QRShape1;
    vrep::DBText* QRDBText1;
    vrep::DBText* QRDBText2;
    vrep::DBText* QRDBText3;
    vrep::DBImage* QRDBImage1;
    vrep::DBText* QRDBText5;
    vrep::DBText* QRDBText4;
    vrep::Shape* QRShape2;
    vrep::Label* QRLabel5;
    vrep::Expr* QRExpr1;
    vrep::Chart* QRChart1;
    vrep::Chart* QRChart2;
    vrep::Label* QRLabel10;
    vrep::DBImage* QRDBImage2;
    vrep::Shape* QRShape3;
    vrep::SysData* QRSysData2;
    vrep::SysData* QRSysData3;

    vrep::ChartSettings* QRDBChart1; // the bar chart in QRChart1
    vrep::ChartSettings* QRDBChart2; // the pie chart in QRChart2
    vrep::SeriesSettings* Series1;
    vrep::SeriesSettings* Series3;

    // Sets the summary up for a report by question (charts, most appropriate
    // icon, SUM) or by edition (COUNT, a short summary band).
    void setQuestionReport(bool byQuestion);

private:
    void buildReport();
    std::unique_ptr<Ui::TForm10> ui;
};

extern vui::GlobalForm<TForm10> Form10;
