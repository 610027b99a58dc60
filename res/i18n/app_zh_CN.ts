<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>quilbo::CMainDlg</name>
    <message>
        <source>Frequency</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Run In</source>
        <translation>煲箱</translation>
    </message>
    <message>
        <source>Licence</source>
        <translation>声明</translation>
    </message>
    <message>
        <source>&amp;About Quilbo...</source>
        <translation>关于 Quilbo(&amp;A)...</translation>
    </message>
    <message>
        <source>Speakers</source>
        <translation>扬声器</translation>
    </message>
    <message>
        <source>Measure</source>
        <translation>测量</translation>
    </message>
</context>
</TS>
