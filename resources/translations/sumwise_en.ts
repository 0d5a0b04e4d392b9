<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>SERVICE_LAUNCH</source>
        <translation>Sumwise calculates the formula you select in any program, such as 2*(3+4)^2.

Select a formula, then press the keyboard shortcut of one of its services: Substitute puts the result in place of the formula, Add appends &quot; = &quot; and the result, Show displays formula and result in a panel, and Copy puts the result on the clipboard.

Help explains how to set up the shortcuts and which formulas Sumwise understands.</translation>
    </message>
</context>
</TS>
