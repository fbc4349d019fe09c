#pragma once
// Deleting a survey: its parameter row, question rows and result rows go, and
// every later survey moves down one edition in all three tables.

#include <QString>

// Deletes the survey whose edition reads `edition` (the text of its Edicion,
// as the survey list shows it) from the data module's three tables, which it
// opens when they are closed. Table1 is expected to stand on that survey; if
// it does not, the survey's row is looked for from the first row.
// All or nothing: a failure part-way leaves the three tables as they were and
// raises a vdb::Error that says so. Rows with an empty Edicion stay untouched.
void deleteSurvey(const QString& edition);
