// The service object: the four services on a request's pasteboard, calculated by the formula
// engine.
#pragma once

#include "service.h"

#include "evaluator/formulaengine.h"

class Pasteboard;

class Sumwise : public Service, public FormulaEngine {
public:
    using FormulaEngine::FormulaEngine;

    // The four services. Each reads the selection from the request's pasteboard; Substitute
    // and Add write their result back to it, Show shows formula and result in a panel, Copy
    // puts the result on the clipboard. Substitute, Add and Copy set *error ("Error: " and
    // the message) and beep when they fail.
    void doCalcSubstituteService(Pasteboard &pboard, const QString &userData, QString *error);
    void doCalcAddService(Pasteboard &pboard, const QString &userData, QString *error);
    void doCalcShowService(Pasteboard &pboard, const QString &userData, QString *error);
    void doCalcCopyService(Pasteboard &pboard, const QString &userData, QString *error);

    /// Set once Show's panel has closed: the program should end.
    bool terminationRequested() const { return m_terminate; }

private:
    bool m_terminate = false;
};
