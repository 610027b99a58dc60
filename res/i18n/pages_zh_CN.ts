<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DataExchange</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>请输入一个整数。</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>请输入一个介于 %1 和 %2 之间的整数。</translation>
    </message>
</context>
<context>
    <name>FileMessages</name>
    <message>
        <source>The data make no file of this kind.</source>
        <translation>这些数据无法构成此类文件。</translation>
    </message>
    <message>
        <source>The file would be larger than its format can hold.</source>
        <translation>文件将超出其格式所能容纳的大小。</translation>
    </message>
    <message>
        <source>There is no folder to keep measurements in (neither XDG_DATA_HOME nor HOME is set).</source>
        <translation>没有可保存测量的文件夹（XDG_DATA_HOME 和 HOME 均未设置）。</translation>
    </message>
    <message>
        <source>It is not a regular file, and Quilbo does not write over devices, pipes or folders.</source>
        <translation>它不是普通文件，Quilbo 不会覆盖设备、管道或文件夹。</translation>
    </message>
    <message>
        <source>There is not enough room on the disk.</source>
        <translation>磁盘空间不足。</translation>
    </message>
    <message>
        <source>You may not write to that folder.</source>
        <translation>没有写入该文件夹的权限。</translation>
    </message>
    <message>
        <source>The folder does not exist.</source>
        <translation>该文件夹不存在。</translation>
    </message>
    <message>
        <source>A folder of that name is in the way.</source>
        <translation>已有同名的文件夹。</translation>
    </message>
    <message>
        <source>The system reports: %1.</source>
        <translation>系统报告：%1。</translation>
    </message>
    <message>
        <source>Could not save %1: it is not a regular file, and Quilbo does not write over devices, pipes or folders. Nothing was written.</source>
        <translation>无法保存 %1：它不是普通文件，Quilbo 不会覆盖设备、管道或文件夹。没有写入任何内容。</translation>
    </message>
    <message>
        <source>Could not save %1. %2 Nothing was written.</source>
        <translation>无法保存 %1。%2未写入任何内容。</translation>
    </message>
</context>
<context>
    <name>PlayerMessages</name>
    <message>
        <source>UnSupported Format.</source>
        <translation>不支持的格式。</translation>
    </message>
    <message>
        <source>Failed to open waveform output device.</source>
        <translation>无法打开波形输出设备。</translation>
    </message>
    <message>
        <source>The sound output went away: playback has ended.</source>
        <translation>声音输出设备已消失：播放已结束。</translation>
    </message>
</context>
<context>
    <name>SpeakerNames</name>
    <message>
        <source>Front left</source>
        <translation>左前</translation>
    </message>
    <message>
        <source>Front right</source>
        <translation>右前</translation>
    </message>
    <message>
        <source>Rear left</source>
        <translation>左后</translation>
    </message>
    <message>
        <source>Rear right</source>
        <translation>右后</translation>
    </message>
    <message>
        <source>Centre</source>
        <translation>中置</translation>
    </message>
    <message>
        <source>Subwoofer (LFE)</source>
        <translation>低音炮 (LFE)</translation>
    </message>
</context>
<context>
    <name>quilbo::OutputChoice</name>
    <message>
        <source>System default</source>
        <translation>系统默认</translation>
    </message>
    <message>
        <source>System default (%1)</source>
        <translation>系统默认（%1）</translation>
    </message>
</context>
</TS>
