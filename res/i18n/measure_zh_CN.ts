<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MeasurePlot</name>
    <message>
        <source>Channel %1</source>
        <translation>声道 %1</translation>
    </message>
    <message>
        <source>Channel %1 H2</source>
        <translation>声道 %1 H2</translation>
    </message>
    <message>
        <source>Channel %1 H3</source>
        <translation>声道 %1 H3</translation>
    </message>
    <message>
        <source>Channel %1 THD</source>
        <translation>声道 %1 THD</translation>
    </message>
    <message>
        <source>Difference (after - before)</source>
        <translation>差值（之后 - 之前）</translation>
    </message>
    <message>
        <source>channel %1: %2</source>
        <translation>声道 %1：%2</translation>
    </message>
    <message>
        <source>delay %1 ms</source>
        <translation>延迟 %1 ms</translation>
    </message>
    <message>
        <source>delay %1 ms after channel %2&apos;s (the sound server converts the rate)</source>
        <translation>比声道 %2 延迟 %1 ms（声音服务器转换了采样率）</translation>
    </message>
    <message>
        <source>channel %1: %2, polarity %3, SNR %4 dB</source>
        <translation>声道 %1：%2，极性%3，信噪比 %4 dB</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>inverted</source>
        <translation>反相</translation>
    </message>
    <message>
        <source>delay %1 ms after the loopback</source>
        <translation>延迟 %1 ms（从环回信号算起）</translation>
    </message>
</context>
<context>
    <name>quilbo::CMeasurePage</name>
    <message>
        <source>Measurement</source>
        <translation>测量</translation>
    </message>
    <message>
        <source>Output:</source>
        <translation>输出：</translation>
    </message>
    <message>
        <source>Speaker:</source>
        <translation>扬声器：</translation>
    </message>
    <message>
        <source>Level (dBFS):</source>
        <translation>电平 (dBFS)：</translation>
    </message>
    <message>
        <source>Sweep length:</source>
        <translation>扫频时长：</translation>
    </message>
    <message>
        <source>From (Hz):</source>
        <translation>起始 (Hz)：</translation>
    </message>
    <message>
        <source>To (Hz):</source>
        <translation>终止 (Hz)：</translation>
    </message>
    <message>
        <source>Input:</source>
        <translation>输入：</translation>
    </message>
    <message>
        <source>Calibration:</source>
        <translation>校准：</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>浏览...</translation>
    </message>
    <message>
        <source>&amp;Measure</source>
        <translation>测量(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>停止(&amp;S)</translation>
    </message>
    <message>
        <source>Stored measurements</source>
        <translation>已保存的测量</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>删除(&amp;D)</translation>
    </message>
    <message>
        <source>Export &amp;response...</source>
        <translation>导出响应(&amp;R)...</translation>
    </message>
    <message>
        <source>Export &amp;impulse...</source>
        <translation>导出脉冲(&amp;I)...</translation>
    </message>
    <message>
        <source>View:</source>
        <translation>视图：</translation>
    </message>
    <message>
        <source>Smoothing:</source>
        <translation>平滑：</translation>
    </message>
    <message>
        <source>1/%1 octave</source>
        <translation>1/%1 倍频程</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>All, in turn</source>
        <translation>全部，依次</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>Response</source>
        <translation>频率响应</translation>
    </message>
    <message>
        <source>Phase</source>
        <translation>相位</translation>
    </message>
    <message>
        <source>Impulse</source>
        <translation>脉冲响应</translation>
    </message>
    <message>
        <source>Distortion</source>
        <translation>失真</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>系统默认</translation>
    </message>
    <message>
        <source>System default (%1)</source>
        <translation>系统默认 (%1)</translation>
    </message>
    <message>
        <source>Nothing can be measured: there is no recorder.</source>
        <translation>无法测量：没有录音设备。</translation>
    </message>
    <message>
        <source>Another measurement is running.</source>
        <translation>另一项测量正在进行。</translation>
    </message>
    <message>
        <source>Measuring...</source>
        <translation>正在测量...</translation>
    </message>
    <message>
        <source>Measurement %1, channel %2</source>
        <translation>测量 %1，声道 %2</translation>
    </message>
    <message>
        <source>Measured.</source>
        <translation>测量完成。</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>It could not be stored: %1</source>
        <translation>无法保存：%1</translation>
    </message>
    <message>
        <source>Stored.</source>
        <translation>已保存。</translation>
    </message>
    <message>
        <source>Microphone calibration file</source>
        <translation>麦克风校准文件</translation>
    </message>
    <message>
        <source>Calibration files (*.txt *.cal *.frd);;All files (*)</source>
        <translation>校准文件 (*.txt *.cal *.frd);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Timing reference:</source>
        <translation>时间参考：</translation>
    </message>
    <message>
        <source>An output channel that plays every sweep as well, wired back by a cable to the input&apos;s second channel: delays are then measured from that loopback, not from the sound server&apos;s figures.</source>
        <translation>一个同时播放每次扫频的输出声道，用线接回输入的第二声道：延迟随后从这一环回信号算起，而不依据声音服务器报告的数值。</translation>
    </message>
    <message>
        <source>Output channel %1 to input 2</source>
        <translation>输出第 %1 声道接输入 2</translation>
    </message>
</context>
<context>
    <name>quilbo::StoredMeasurementList</name>
    <message>
        <source>%1: unreadable: %2</source>
        <translation>%1：无法读取：%2</translation>
    </message>
    <message>
        <source>The measurement cannot be renamed: %1</source>
        <translation>无法重命名该测量：%1</translation>
    </message>
    <message>
        <source>The measurement cannot be read: %1</source>
        <translation>无法读取该测量：%1</translation>
    </message>
    <message>
        <source>Choose a stored measurement first.</source>
        <translation>请先选择一项已保存的测量。</translation>
    </message>
    <message>
        <source>The measurement cannot be deleted: %1</source>
        <translation>无法删除该测量：%1</translation>
    </message>
    <message>
        <source>Export impulse response</source>
        <translation>导出脉冲响应</translation>
    </message>
    <message>
        <source>WAV files (*.wav)</source>
        <translation>WAV 文件 (*.wav)</translation>
    </message>
    <message>
        <source>Export response</source>
        <translation>导出频率响应</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>A WAV file cannot hold a response at %1 Hz.</source>
        <translation>WAV 文件无法容纳 %1 Hz 的响应。</translation>
    </message>
    <message>
        <source>The response is too long for a WAV file.</source>
        <translation>该响应太长，WAV 文件无法容纳。</translation>
    </message>
</context>
</TS>
