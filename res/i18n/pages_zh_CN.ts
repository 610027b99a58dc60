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
