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
    <message>
        <source>Check with microphone</source>
        <translation>用麦克风检查</translation>
    </message>
    <message>
        <source>Each speaker plays a short sweep in turn while the default input records: heard or not, polarity, delay and level against the front left.</source>
        <translation>各扬声器依次播放一段短扫频，同时由默认输入录音：检查是否听到，以及相对左前扬声器的极性、延迟和电平。</translation>
    </message>
    <message>
        <source>This program has no measurement recorder: nothing can be measured.</source>
        <translation>本程序没有测量录音器，无法进行测量。</translation>
    </message>
    <message>
        <source>Checking with the microphone: each speaker sweeps in turn...</source>
        <translation>正在用麦克风检查：各扬声器依次扫频……</translation>
    </message>
    <message>
        <source>The microphone check was stopped.</source>
        <translation>麦克风检查已停止。</translation>
    </message>
    <message>
        <source>Every speaker was heard, in phase and level with the front left.</source>
        <translation>所有扬声器都已听到，极性和电平与左前扬声器一致。</translation>
    </message>
    <message>
        <source>Some speakers need a look: see the flags.</source>
        <translation>有扬声器需要检查：请看标记。</translation>
    </message>
    <message>
        <source>Speaker</source>
        <translation>扬声器</translation>
    </message>
    <message>
        <source>Heard</source>
        <translation>听到</translation>
    </message>
    <message>
        <source>Delay (ms)</source>
        <translation>延迟（毫秒）</translation>
    </message>
    <message>
        <source>Distance (m)</source>
        <translation>距离（米）</translation>
    </message>
    <message>
        <source>Level (dB)</source>
        <translation>电平（dB）</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>检查结果</translation>
    </message>
    <message>
        <source>level off</source>
        <translation>电平偏差</translation>
    </message>
    <message>
        <source>inverted</source>
        <translation>反相</translation>
    </message>
    <message>
        <source>clipped</source>
        <translation>削波</translation>
    </message>
    <message>
        <source>not heard</source>
        <translation>未听到</translation>
    </message>
    <message>
        <source>heard (%1 dB)</source>
        <translation>听到（%1 dB）</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>Signal:</source>
        <translation>信号：</translation>
    </message>
    <message>
        <source>Click a speaker to hear SMPTE ST 2095-1 pink noise (10 Hz to 22.4 kHz) at its own level, -18.5 dB against a full-scale sine, on that speaker alone (the subwoofer: 30 to 80 Hz).</source>
        <translation>点击一个扬声器，只在该扬声器上播放 SMPTE ST 2095-1 粉红噪声（10 Hz 至 22.4 kHz），采用标准电平，相对满幅正弦波 -18.5 dB（低音炮：30 至 80 Hz）。</translation>
    </message>
    <message>
        <source>500 to 2000 Hz</source>
        <translation>500 至 2000 Hz</translation>
    </message>
    <message>
        <source>The microphone check could not be made: %1</source>
        <translation>无法进行麦克风检查：%1</translation>
    </message>
    <message>
        <source>Match levels</source>
        <translation>匹配电平</translation>
    </message>
    <message>
        <source>no sound server answered.</source>
        <translation>没有声音服务器响应。</translation>
    </message>
    <message>
        <source>there is no default input: connect a microphone and choose it as the system&apos;s input.</source>
        <translation>没有默认输入：请连接麦克风，并把它选为系统的输入。</translation>
    </message>
    <message>
        <source>the default input cannot be recorded at 48000 Hz.</source>
        <translation>默认输入无法以 48000 Hz 录音。</translation>
    </message>
    <message>
        <source>the sound server would not open the default input.</source>
        <translation>声音服务器未能打开默认输入。</translation>
    </message>
    <message>
        <source>the input or the sound server went away.</source>
        <translation>输入或声音服务器已断开。</translation>
    </message>
    <message>
        <source>the input stopped delivering sound.</source>
        <translation>输入不再送来声音。</translation>
    </message>
    <message>
        <source>a speaker&apos;s playback did not start or stopped.</source>
        <translation>某个扬声器的播放未能开始或已中断。</translation>
    </message>
    <message>
        <source>Each speaker plays ST 2095-1 pink noise in turn while the default input reads its C-weighted level at the listening place: each speaker&apos;s trim brings it to the quietest.</source>
        <translation>各扬声器依次播放 ST 2095-1 粉红噪声，同时默认输入在聆听位置读取它的 C 计权电平：每个扬声器按其微调量调节后，与最安静的扬声器一样响。</translation>
    </message>
    <message>
        <source>This program has no sound server to read the input from: nothing can be matched.</source>
        <translation>本程序没有可读取输入的声音服务器：无法匹配电平。</translation>
    </message>
    <message>
        <source>dB SPL</source>
        <translation>dB SPL</translation>
    </message>
    <message>
        <source>dBFS</source>
        <translation>dBFS</translation>
    </message>
    <message>
        <source>Matching levels: opening the default input...</source>
        <translation>正在匹配电平：正在打开默认输入……</translation>
    </message>
    <message>
        <source>Matching levels: reading the room&apos;s noise in silence...</source>
        <translation>正在匹配电平：正在静音中读取房间的噪声……</translation>
    </message>
    <message>
        <source>Matching levels: reading %1...</source>
        <translation>正在匹配电平：正在读取%1……</translation>
    </message>
    <message>
        <source>The levels could not be matched: %1</source>
        <translation>无法匹配电平：%1</translation>
    </message>
    <message>
        <source>The level match was stopped.</source>
        <translation>电平匹配已停止。</translation>
    </message>
    <message>
        <source>No speaker was heard above the room&apos;s noise: check the microphone, its input and the volume.</source>
        <translation>没有哪个扬声器的声音高出房间噪声：请检查麦克风、它的输入和音量。</translation>
    </message>
    <message>
        <source>Levels are C-weighted, in %1. Turn each speaker by its trim (on the receiver or the output) and every one plays as loud as the quietest.</source>
        <translation>电平为 C 计权，单位为 %1。按各扬声器的微调量（在功放或输出上）调节后，每个扬声器都与最安静的一样响。</translation>
    </message>
    <message>
        <source>Level (%1)</source>
        <translation>电平（%1）</translation>
    </message>
    <message>
        <source>Trim (dB)</source>
        <translation>微调（dB）</translation>
    </message>
    <message>
        <source>clipped: turn the input down</source>
        <translation>削波：请调低输入</translation>
    </message>
    <message>
        <source>not measured</source>
        <translation>未测量</translation>
    </message>
    <message>
        <source>set apart: it plays its own band only</source>
        <translation>单独设置：它只播放自己的频段</translation>
    </message>
    <message>
        <source>The levels cannot be matched while a measurement runs: its sweeps would be heard with the speakers.</source>
        <translation>测量进行中时无法匹配电平：它的扫频会与扬声器的声音混在一起。</translation>
    </message>
    <message>
        <source>Some sweeps were disturbed on their way each time they were made (a busy computer?): check again when it is quieter.</source>
        <translation>部分扫频每次播放时都在传输途中受到干扰（计算机是否过于繁忙？）：请在系统较空闲时再检查一次。</translation>
    </message>
    <message>
        <source>Speakers whose sweep was disturbed on its way were measured again.</source>
        <translation>扫频在传输途中受到干扰的扬声器已重新测量。</translation>
    </message>
    <message>
        <source>disturbed (sound lost by the server)</source>
        <translation>受到干扰（声音服务器丢失了声音）</translation>
    </message>
    <message>
        <source>disturbed (another sweep)</source>
        <translation>受到干扰（另一次扫频）</translation>
    </message>
    <message>
        <source>disturbed at %1 s</source>
        <translation>在 %1 秒处受到干扰</translation>
    </message>
    <message>
        <source>disturbed</source>
        <translation>受到干扰</translation>
    </message>
    <message>
        <source>The sound was disturbed on its way elsewhere in the same run (a stretch lost or repeated), which may have moved this speaker&apos;s sweep.</source>
        <translation>同一轮中其他位置的声音在传输途中受到干扰（一段声音丢失或重复），可能使本扬声器的扫频发生了错位。</translation>
    </message>
    <message>
        <source>The trims of the last match become the level trims of the next correction planned for this output on the Measure page.</source>
        <translation>上次匹配的微调将成为“测量”页上为此输出规划的下一个校正的电平微调。</translation>
    </message>
    <message>
        <source>Use in correction</source>
        <translation>用于校正</translation>
    </message>
    <message>
        <source>The trims are offered to the next correction of this output on the Measure page.</source>
        <translation>这些微调已提供给“测量”页上此输出的下一个校正。</translation>
    </message>
</context>
</TS>
