<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>提示</source>
        <translation>Notice from qt</translation>
    </message>
    <message>
        <source>工具包</source>
        <translation>Toolkit</translation>
    </message>
</context>
</TS>
