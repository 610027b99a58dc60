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
    <message>
        <source>&amp;Live</source>
        <translation>实时(&amp;L)</translation>
    </message>
    <message>
        <source>A real-time analyser and sound level meter on the input, in place of the measurement&apos;s plot.</source>
        <translation>在输入上运行实时频谱分析仪和声级计，代替测量曲线显示。</translation>
    </message>
</context>
<context>
    <name>quilbo::LiveView</name>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>快 (F)</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>慢 (S)</translation>
    </message>
    <message>
        <source>1/%1 octave</source>
        <translation>1/%1 倍频程</translation>
    </message>
    <message>
        <source>Exponential</source>
        <translation>指数平均</translation>
    </message>
    <message>
        <source>Over N spectra</source>
        <translation>最近 N 帧频谱</translation>
    </message>
    <message>
        <source>For ever</source>
        <translation>全程平均</translation>
    </message>
    <message>
        <source>%1 dB SPL at 1 kHz</source>
        <translation>%1 dB SPL，1 kHz</translation>
    </message>
    <message>
        <source>&amp;Weighting:</source>
        <translation>频率计权(&amp;W)：</translation>
    </message>
    <message>
        <source>&amp;Time:</source>
        <translation>时间计权(&amp;T)：</translation>
    </message>
    <message>
        <source>Resol&amp;ution:</source>
        <translation>分辨率(&amp;U)：</translation>
    </message>
    <message>
        <source>A&amp;veraging:</source>
        <translation>平均方式(&amp;V)：</translation>
    </message>
    <message>
        <source>Cali&amp;brator:</source>
        <translation>校准器(&amp;B)：</translation>
    </message>
    <message>
        <source>Exponential: the time constant in spectra (ten a second). Over N spectra: how many.</source>
        <translation>指数平均：以频谱帧数计的时间常数（每秒十帧）。最近 N 帧频谱：平均的帧数。</translation>
    </message>
    <message>
        <source>R&amp;eset</source>
        <translation>重置(&amp;E)</translation>
    </message>
    <message>
        <source>Leq, maximum, peak, averages and peak hold start again.</source>
        <translation>Leq、最大值、峰值、平均和峰值保持全部重新开始。</translation>
    </message>
    <message>
        <source>&amp;Calibrate</source>
        <translation>校准(&amp;C)</translation>
    </message>
    <message>
        <source>With the acoustic calibrator sealed on the microphone and switched on: reads the input for a few seconds.</source>
        <translation>将声校准器密封套在话筒上并打开后使用：读取输入几秒钟。</translation>
    </message>
    <message>
        <source>Clear calibration</source>
        <translation>清除校准</translation>
    </message>
    <message>
        <source>Sto&amp;p</source>
        <translation>停止(&amp;P)</translation>
    </message>
    <message>
        <source>Sta&amp;rt</source>
        <translation>开始(&amp;R)</translation>
    </message>
    <message>
        <source>Band level SPL</source>
        <translation>频带声压级 SPL</translation>
    </message>
    <message>
        <source>Band level re full scale</source>
        <translation>频带电平（相对满幅）</translation>
    </message>
    <message>
        <source>These analysis settings cannot be used.</source>
        <translation>这些分析设置无法使用。</translation>
    </message>
    <message>
        <source>Opening the input...</source>
        <translation>正在打开输入……</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>已停止。</translation>
    </message>
    <message>
        <source>Listening.</source>
        <translation>正在读取输入。</translation>
    </message>
    <message>
        <source>No sound server answered: the input cannot be read.</source>
        <translation>没有声音服务器响应：无法读取输入。</translation>
    </message>
    <message>
        <source>There is no default input: choose one on the Measurement tab.</source>
        <translation>没有默认输入：请在“测量”选项卡中选择一个输入。</translation>
    </message>
    <message>
        <source>That input is not there any more: choose another on the Measurement tab.</source>
        <translation>该输入已不存在：请在“测量”选项卡中选择其他输入。</translation>
    </message>
    <message>
        <source>The input cannot be read at %1 Hz.</source>
        <translation>无法以 %1 Hz 读取该输入。</translation>
    </message>
    <message>
        <source>The sound server would not open the input.</source>
        <translation>声音服务器无法打开该输入。</translation>
    </message>
    <message>
        <source>The input or the sound server went away: the Live view has stopped.</source>
        <translation>输入或声音服务器已消失：实时视图已停止。</translation>
    </message>
    <message>
        <source>Some input was lost on the way (the computer was too busy): Leq and the averages leave it out.</source>
        <translation>部分输入在传输中丢失（计算机过于繁忙）：Leq 和平均值不包含这部分。</translation>
    </message>
    <message>
        <source>Reading the calibrator for %1 s: keep it still on the microphone.</source>
        <translation>正在读取校准器 %1 秒：请让它在话筒上保持不动。</translation>
    </message>
    <message>
        <source>Not calibrated: the input stopped before the calibrator was read.</source>
        <translation>未校准：在读完校准器之前输入已停止。</translation>
    </message>
    <message>
        <source>Not calibrated: the input clipped. Turn the microphone input&apos;s gain down and calibrate again.</source>
        <translation>未校准：输入削波。请调低话筒输入的增益后重新校准。</translation>
    </message>
    <message>
        <source>Not calibrated: there is no steady 1 kHz tone on the input. Seal the calibrator on the microphone, switch it on and calibrate again.</source>
        <translation>未校准：输入中没有稳定的 1 kHz 音调。请将校准器密封套在话筒上，打开它后重新校准。</translation>
    </message>
    <message>
        <source>Not calibrated: the level moved while it was read. Hold the calibrator sealed and still on the microphone and calibrate again.</source>
        <translation>未校准：读取期间电平有变动。请让校准器密封并稳定地套在话筒上，然后重新校准。</translation>
    </message>
    <message>
        <source>Calibrated: 94 dB SPL reads %1 dBFS on this input.</source>
        <translation>已校准：在此输入上 94 dB SPL 读数为 %1 dBFS。</translation>
    </message>
    <message>
        <source>It could not be kept in the settings: it holds until the program ends.</source>
        <translation>无法保存到设置中：在程序退出前有效。</translation>
    </message>
    <message>
        <source>The calibration could not be cleared from the settings.</source>
        <translation>无法从设置中清除校准。</translation>
    </message>
    <message>
        <source>Figures in dBFS: not calibrated.</source>
        <translation>读数单位为 dBFS：未校准。</translation>
    </message>
    <message>
        <source>%1, %2, %3</source>
        <translation>%1，%2，%3</translation>
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
        <source>Leq %1   Max %2   Peak (C) %3 %4</source>
        <translation>Leq %1   最大 %2   峰值 (C) %3 %4</translation>
    </message>
    <message>
        <source>OVER</source>
        <translation>过载</translation>
    </message>
    <message>
        <source>Bands</source>
        <translation>频带</translation>
    </message>
    <message>
        <source>Peak hold</source>
        <translation>峰值保持</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1，%2</translation>
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
