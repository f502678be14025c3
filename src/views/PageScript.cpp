#include "PageScript.h"

#include "views/Browser.h"

#include <QVariant>

#include <cmath>

namespace views {

namespace {

QString NumberText(double value) {
    if (!std::isfinite(value)) {
        return QStringLiteral("NaN");
    }
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0) {
        return QString::number(static_cast<qint64>(value));
    }
    return QString::number(value, 'g', 17);
}

}  // namespace

QString ScriptCallsText(const std::vector<ScriptCall>& calls) {
    QString text = QStringLiteral("(function(){var r;try{\n");
    for (const ScriptCall& call : calls) {
        QStringList args;
        for (double value : call.args) {
            args.append(NumberText(value));
        }
        text += QStringLiteral("r=%1(%2);\n").arg(call.function, args.join(QLatin1Char(',')));
    }
    text += QStringLiteral("}catch(e){return -1;}return r===true?1:0;})()");
    return text;
}

void PageScript::FindFunctions(const QStringList& names, std::function<void(bool found)> done) {
    QStringList tests;
    for (const QString& name : names) {
        tests.append(QStringLiteral("typeof window[\"%1\"]===\"function\"").arg(name));
    }
    const QString script = QStringLiteral("(%1)").arg(tests.join(QStringLiteral("&&")));
    browser_.RunJavaScript(script, [done = std::move(done)](const QVariant& answer) {
        done(answer.typeId() == QMetaType::Bool && answer.toBool());
    });
}

void PageScript::Run(const std::vector<ScriptCall>& calls,
                     std::function<void(ScriptOutcome)> done) {
    browser_.RunJavaScript(ScriptCallsText(calls),
                           [done = std::move(done)](const QVariant& answer) {
                               if (!answer.isValid()) {
                                   done(ScriptOutcome::Lost);
                                   return;
                               }
                               const int result = answer.toInt();
                               done(result == 1  ? ScriptOutcome::ReturnedTrue
                                    : result < 0 ? ScriptOutcome::Threw
                                                 : ScriptOutcome::ReturnedOther);
                           });
}

}  // namespace views
