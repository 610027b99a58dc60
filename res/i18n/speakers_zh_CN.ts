<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>quilbo::CSpeakersPage</name>
    <message>
        <source>Layout:</source>
        <translation>布局：</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>立体声</translation>
    </message>
    <message>
        <source>Quad</source>
        <translation>四声道</translation>
    </message>
    <message>
        <source>Click a speaker to hear pink noise from 500 to 2000 Hz at -20 dBFS on that speaker alone (the subwoofer: 30 to 80 Hz).</source>
        <translation>点击一只扬声器，只在它上面播放 500 至 2000 Hz、-20 dBFS 的粉红噪声（低音炮：30 至 80 Hz）。</translation>
    </message>
    <message>
        <source>Cycle</source>
        <translation>轮流</translation>
    </message>
    <message>
        <source>Polarity</source>
        <translation>极性</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Playing: %1</source>
        <translation>正在播放：%1</translation>
    </message>
    <message>
        <source>Cycle: %1</source>
        <translation>轮流：%1</translation>
    </message>
    <message>
        <source>Front pair in phase: the sound stands in the middle.</source>
        <translation>前置两声道同相：声音位于正中。</translation>
    </message>
    <message>
        <source>Front pair in opposite phase: the sound has no middle.</source>
        <translation>前置两声道反相：声音没有中心。</translation>
    </message>
    <message>
        <source>No sound output answers: nothing can be played.</source>
        <translation>没有声音输出响应，无法播放。</translation>
    </message>
    <message>
        <source>other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>It has fewer channels than this layout: the sound server mixes the speakers it lacks into the others, so they cannot be heard on their own.</source>
        <translation>它的声道比这个布局少：声音服务器把缺少的扬声器混入其他扬声器，无法单独听到它们。</translation>
    </message>
    <message>
        <source>Default output: %1. Its channels: %2.</source>
        <translation>默认输出：%1。它的声道：%2。</translation>
    </message>
    <message>
        <source>Output:</source>
        <translation>输出：</translation>
    </message>
    <message>
        <source>Chosen output: %1. Its channels: %2.</source>
        <translation>所选输出：%1。其声道：%2。</translation>
    </message>
</context>
<context>
    <name>quilbo::SpeakerMap</name>
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
</TS>
