<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Localizable</name>
    <message>
        <source>Syntax error</source>
        <translation>Syntaxfehler</translation>
    </message>
    <message>
        <source>Division by zero</source>
        <translation>Division durch null</translation>
    </message>
    <message>
        <source>Undefined</source>
        <translation>Nicht definiert</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Überlauf</translation>
    </message>
    <message>
        <source>The variable cannot be saved in %1</source>
        <translation>Die Variable kann nicht in %1 gespeichert werden</translation>
    </message>
    <message>
        <source>Sumwise</source>
        <translation>Sumwise</translation>
    </message>
    <message>
        <source>SERVICE_LAUNCH</source>
        <translation>Sumwise berechnet die Formel, die Sie in einem beliebigen Programm auswählen, etwa 2*(3+4)^2.

Wählen Sie eine Formel aus und drücken Sie dann das Tastenkürzel eines der Dienste: „Einsetzen“ setzt das Ergebnis an die Stelle der Formel, „Anhängen“ fügt „ = “ und das Ergebnis an, „Anzeigen“ zeigt Formel und Ergebnis in einem Fenster, und „Kopieren“ legt das Ergebnis in die Zwischenablage.

Die Hilfe erklärt, wie Sie die Tastenkürzel einrichten und welche Formeln Sumwise versteht.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Formula</source>
        <translation>Formel</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Never ask me again</source>
        <translation>Nicht mehr fragen</translation>
    </message>
    <message>
        <source>Sumwise cannot calculate this</source>
        <translation>Sumwise kann das nicht berechnen</translation>
    </message>
    <message>
        <source>%@ TB</source>
        <translation>%@ TB</translation>
    </message>
    <message>
        <source>%@ GB</source>
        <translation>%@ GB</translation>
    </message>
    <message>
        <source>%@ MB</source>
        <translation>%@ MB</translation>
    </message>
    <message>
        <source>%@ KB</source>
        <translation>%@ KB</translation>
    </message>
</context>
</TS>
