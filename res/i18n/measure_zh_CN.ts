<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CorrectionMessages</name>
    <message>
        <source>There is no measurement to correct.</source>
        <translation>没有可校正的测量。</translation>
    </message>
    <message>
        <source>The measurement of channel %1 failed: there is nothing to correct.</source>
        <translation>声道 %1 的测量失败：没有可校正的内容。</translation>
    </message>
    <message>
        <source>The measurement of channel %1 holds no usable impulse response: measure it again.</source>
        <translation>声道 %1 的测量没有可用的脉冲响应：请重新测量。</translation>
    </message>
    <message>
        <source>The channels were measured at different sample rates: measure them again in one run.</source>
        <translation>各声道的测量采样率不同：请在一次运行中重新测量。</translation>
    </message>
    <message>
        <source>Channel %1 is measured twice in this run.</source>
        <translation>声道 %1 在本次运行中被测量了两次。</translation>
    </message>
    <message>
        <source>The number of filters must be 1 to 20.</source>
        <translation>滤波器数量必须为 1 到 20。</translation>
    </message>
    <message>
        <source>The largest boost must be 0 to 20 dB.</source>
        <translation>最大提升必须为 0 到 20 dB。</translation>
    </message>
    <message>
        <source>The tilt must be -20 to 20 dB per decade.</source>
        <translation>倾斜必须为每十倍频程 -20 到 20 dB。</translation>
    </message>
    <message>
        <source>The target curve needs at least two points.</source>
        <translation>目标曲线至少需要两个点。</translation>
    </message>
    <message>
        <source>The range for channel %1 is not within its sweep, or narrower than a third of an octave.</source>
        <translation>声道 %1 的范围不在其扫频之内，或窄于三分之一倍频程。</translation>
    </message>
    <message>
        <source>the line is not a frequency and a level in dB</source>
        <translation>该行不是一个频率和一个以 dB 表示的电平</translation>
    </message>
    <message>
        <source>a frequency is not above 0 Hz or beyond 1 MHz, or a level beyond ±100 dB</source>
        <translation>某个频率不大于 0 Hz 或超过 1 MHz，或某个电平超出 ±100 dB</translation>
    </message>
    <message>
        <source>the frequency is not above the one before</source>
        <translation>该频率不大于前一个频率</translation>
    </message>
    <message>
        <source>it has fewer than two points</source>
        <translation>它少于两个点</translation>
    </message>
    <message>
        <source>The target file %1 cannot be used: line %2: %3.</source>
        <translation>无法使用目标文件 %1：第 %2 行：%3。</translation>
    </message>
    <message>
        <source>The target file %1 cannot be used: %2.</source>
        <translation>无法使用目标文件 %1：%2。</translation>
    </message>
    <message>
        <source>There is no folder for stored measurements.</source>
        <translation>没有用于保存测量的文件夹。</translation>
    </message>
    <message>
        <source>The measurement is no longer stored.</source>
        <translation>该测量已不再保存。</translation>
    </message>
    <message>
        <source>The measurement &quot;%1&quot; failed (%2): there is nothing to correct.</source>
        <translation>测量“%1”失败（%2）：没有可校正的内容。</translation>
    </message>
    <message>
        <source>The measurement &quot;%1&quot; can no longer be read.</source>
        <translation>测量“%1”已无法读取。</translation>
    </message>
    <message>
        <source>The correction corrects no channel.</source>
        <translation>该校正不校正任何声道。</translation>
    </message>
    <message>
        <source>The output has no channel %1.</source>
        <translation>该输出没有声道 %1。</translation>
    </message>
    <message>
        <source>Channel %1 is corrected twice.</source>
        <translation>声道 %1 被校正了两次。</translation>
    </message>
    <message>
        <source>Channel %1, filter %2: its frequency, gain or Q is out of range.</source>
        <translation>声道 %1，滤波器 %2：其频率、增益或 Q 超出范围。</translation>
    </message>
    <message>
        <source>Channel %1: its delay is out of range (0 to 1 s).</source>
        <translation>声道 %1：其延迟超出范围（0 到 1 秒）。</translation>
    </message>
    <message>
        <source>Channel %1: its level is out of range.</source>
        <translation>声道 %1：其电平超出范围。</translation>
    </message>
    <message>
        <source>The correction&apos;s sample rate is not a sample rate.</source>
        <translation>该校正的采样率不是有效的采样率。</translation>
    </message>
    <message>
        <source>No sound server answered.</source>
        <translation>没有声音服务器响应。</translation>
    </message>
    <message>
        <source>The sound server is PulseAudio, which cannot run a correction as an output: only PipeWire can. Export the correction instead.</source>
        <translation>声音服务器是 PulseAudio，它无法将校正作为输出运行：只有 PipeWire 可以。请改为导出校正。</translation>
    </message>
    <message>
        <source>There is no output &quot;%1&quot; to correct (or it is a correction itself).</source>
        <translation>没有可校正的输出“%1”（或者它本身就是一个校正）。</translation>
    </message>
    <message>
        <source>The correction cannot be installed: %1</source>
        <translation>无法安装该校正：%1</translation>
    </message>
    <message>
        <source>The configuration folder &quot;%1&quot; cannot be used: PipeWire cannot start a program from a path with a blank, a quote or a backslash.</source>
        <translation>无法使用配置文件夹“%1”：PipeWire 无法从含有空格、引号或反斜杠的路径启动程序。</translation>
    </message>
    <message>
        <source>A program the correction needs (pipewire, pw-metadata, setpriv or sh) is not installed.</source>
        <translation>校正所需的某个程序（pipewire、pw-metadata、setpriv 或 sh）未安装。</translation>
    </message>
    <message>
        <source>The file %1 could not be written: %2</source>
        <translation>无法写入文件 %1：%2</translation>
    </message>
    <message>
        <source>The correction&apos;s process could not start, or ended at once.</source>
        <translation>校正的进程无法启动，或立即结束了。</translation>
    </message>
    <message>
        <source>The correction&apos;s output did not appear in time.</source>
        <translation>校正的输出未能及时出现。</translation>
    </message>
    <message>
        <source>There is no correction &quot;%1&quot; installed.</source>
        <translation>没有安装校正“%1”。</translation>
    </message>
    <message>
        <source>The correction &quot;%1&quot; would not go: its process or its output is still there.</source>
        <translation>校正“%1”无法移除：其进程或输出仍然存在。</translation>
    </message>
    <message>
        <source>The sound server kept another default output.</source>
        <translation>声音服务器保留了另一个默认输出。</translation>
    </message>
</context>
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
    <message>
        <source>Plans a correction of the chosen measurement&apos;s run, installs it as an output on PipeWire and measures again through it.</source>
        <translation>为所选测量的运行规划校正，将其作为 PipeWire 上的输出安装，并通过它再次测量。</translation>
    </message>
    <message>
        <source>&amp;Correct...</source>
        <translation>校正(&amp;C)...</translation>
    </message>
    <message>
        <source>Choose a stored measurement to correct.</source>
        <translation>请选择要校正的已保存测量。</translation>
    </message>
</context>
<context>
    <name>quilbo::CorrectionPanel</name>
    <message>
        <source>%1 kHz</source>
        <translation>%1 kHz</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Peaking</source>
        <translation>峰值</translation>
    </message>
    <message>
        <source>Low shelf</source>
        <translation>低架</translation>
    </message>
    <message>
        <source>High shelf</source>
        <translation>高架</translation>
    </message>
    <message>
        <source>Correct</source>
        <translation>校正</translation>
    </message>
    <message>
        <source>Target:</source>
        <translation>目标：</translation>
    </message>
    <message>
        <source>Tilt (dB/decade):</source>
        <translation>倾斜（dB/十倍频程）：</translation>
    </message>
    <message>
        <source>Target file:</source>
        <translation>目标文件：</translation>
    </message>
    <message>
        <source>From (Hz):</source>
        <translation>起始（Hz）：</translation>
    </message>
    <message>
        <source>To (Hz):</source>
        <translation>终止（Hz）：</translation>
    </message>
    <message>
        <source>Largest boost (dB):</source>
        <translation>最大提升（dB）：</translation>
    </message>
    <message>
        <source>Filters:</source>
        <translation>滤波器：</translation>
    </message>
    <message>
        <source>Flat</source>
        <translation>平直</translation>
    </message>
    <message>
        <source>Tilt</source>
        <translation>倾斜</translation>
    </message>
    <message>
        <source>Target file</source>
        <translation>目标文件</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>浏览...</translation>
    </message>
    <message>
        <source>as measured</source>
        <translation>按测量</translation>
    </message>
    <message>
        <source>Invert the channels measured inverted</source>
        <translation>反转测得为反相的声道</translation>
    </message>
    <message>
        <source>Level trims from Match levels</source>
        <translation>使用“匹配电平”的电平微调</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>声道</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>滤波器</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>Q</source>
        <translation>Q</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>安装</translation>
    </message>
    <message>
        <source>Make it the default output</source>
        <translation>设为默认输出</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Export text...</source>
        <translation>导出文本...</translation>
    </message>
    <message>
        <source>Export PipeWire...</source>
        <translation>导出 PipeWire...</translation>
    </message>
    <message>
        <source>Measure through correction</source>
        <translation>通过校正测量</translation>
    </message>
    <message>
        <source>Correction output</source>
        <translation>校正输出</translation>
    </message>
    <message>
        <source>Plays into</source>
        <translation>播放到</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Choose a target file.</source>
        <translation>请选择目标文件。</translation>
    </message>
    <message>
        <source>From must be a frequency in Hz, or empty for the measured range.</source>
        <translation>起始必须是以 Hz 表示的频率，或留空以使用测量范围。</translation>
    </message>
    <message>
        <source>To must be a frequency in Hz, or empty for the measured range.</source>
        <translation>终止必须是以 Hz 表示的频率，或留空以使用测量范围。</translation>
    </message>
    <message>
        <source>Match levels gave no trim for every channel of this run: the measured trims are used.</source>
        <translation>“匹配电平”未给出本次运行每个声道的微调：使用测量得到的微调。</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>Preamp</source>
        <translation>前级增益</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>Level trim</source>
        <translation>电平微调</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>延迟</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 毫秒</translation>
    </message>
    <message>
        <source>Polarity inverted</source>
        <translation>极性反转</translation>
    </message>
    <message>
        <source>Choose a stored measurement on the Measure page.</source>
        <translation>请在“测量”页上选择已保存的测量。</translation>
    </message>
    <message>
        <source>%1–%2</source>
        <translation>%1–%2</translation>
    </message>
    <message>
        <source>Channel %1: before ±%2 dB from the target, predicted ±%3 dB, %4</source>
        <translation>声道 %1：校正前偏离目标 ±%2 dB，预测 ±%3 dB，%4</translation>
    </message>
    <message>
        <source>; measured through the correction ±%1 dB from the target, %2</source>
        <translation>；通过校正测得偏离目标 ±%1 dB，%2</translation>
    </message>
    <message>
        <source>Channel %1 was measured inverted: rewire it, or let the correction invert it.</source>
        <translation>声道 %1 测得为反相：请重新接线，或让校正将其反转。</translation>
    </message>
    <message>
        <source>These measurements keep no arrival times: every delay is 0.</source>
        <translation>这些测量没有保存到达时间：所有延迟均为 0。</translation>
    </message>
    <message>
        <source>Level trims from Match levels.</source>
        <translation>电平微调来自“匹配电平”。</translation>
    </message>
    <message>
        <source>Channel %1 before</source>
        <translation>声道 %1 校正前</translation>
    </message>
    <message>
        <source>Channel %1 target</source>
        <translation>声道 %1 目标</translation>
    </message>
    <message>
        <source>Channel %1 predicted</source>
        <translation>声道 %1 预测</translation>
    </message>
    <message>
        <source>Channel %1 after</source>
        <translation>声道 %1 校正后</translation>
    </message>
    <message>
        <source>Target curve</source>
        <translation>目标曲线</translation>
    </message>
    <message>
        <source>Target curves (*.txt *.csv);;All files (*)</source>
        <translation>目标曲线 (*.txt *.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Installing...</source>
        <translation>正在安装...</translation>
    </message>
    <message>
        <source>Removing...</source>
        <translation>正在移除...</translation>
    </message>
    <message>
        <source>Installed as &quot;%1&quot;.</source>
        <translation>已安装为“%1”。</translation>
    </message>
    <message>
        <source>Removed &quot;%1&quot;.</source>
        <translation>已移除“%1”。</translation>
    </message>
    <message>
        <source>Measuring through the correction...</source>
        <translation>正在通过校正测量...</translation>
    </message>
    <message>
        <source>Measuring through the correction failed: %1</source>
        <translation>通过校正测量失败：%1</translation>
    </message>
    <message>
        <source>channel %1: level %2 dB</source>
        <translation>声道 %1：电平 %2 dB</translation>
    </message>
    <message>
        <source>, arrival %1 ms</source>
        <translation>，到达 %1 毫秒</translation>
    </message>
    <message>
        <source>After, against channel %1: %2</source>
        <translation>校正后，相对于声道 %1：%2</translation>
    </message>
    <message>
        <source>Measured through the correction.</source>
        <translation>已通过校正测量。</translation>
    </message>
    <message>
        <source>present</source>
        <translation>存在</translation>
    </message>
    <message>
        <source>not on the server</source>
        <translation>不在服务器上</translation>
    </message>
    <message>
        <source>default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>processes running: %1</source>
        <translation>运行中的进程：%1</translation>
    </message>
    <message>
        <source>Export the correction into a folder</source>
        <translation>将校正导出到文件夹</translation>
    </message>
    <message>
        <source>Exported: %1</source>
        <translation>已导出：%1</translation>
    </message>
    <message>
        <source>The run through the correction cannot start while another measurement runs.</source>
        <translation>另一个测量正在进行，无法开始通过校正的测量。</translation>
    </message>
    <message>
        <source>Correct: %1</source>
        <translation>校正：%1</translation>
    </message>
    <message>
        <source>The lowest frequency corrected; empty: where the loudspeaker&apos;s low end rolls off.</source>
        <translation>校正的最低频率；留空：扬声器低频开始滚降之处。</translation>
    </message>
    <message>
        <source>The highest frequency corrected; empty: the top of the sweep.</source>
        <translation>校正的最高频率；留空：扫频的上限。</translation>
    </message>
    <message>
        <source>The most a channel&apos;s filters may boost together.</source>
        <translation>一个声道的各滤波器合计可提升的最大量。</translation>
    </message>
    <message>
        <source>The most filters a channel may have.</source>
        <translation>一个声道最多可用的滤波器数。</translation>
    </message>
    <message>
        <source>Installs the correction as an output of PipeWire in front of the output the run was measured on, then measures the run again through it.</source>
        <translation>将校正安装为 PipeWire 的一个输出，置于测量本次运行所用的输出之前，然后通过它再次测量本次运行。</translation>
    </message>
    <message>
        <source>Installing makes the correction the default output as well.</source>
        <translation>安装时同时将校正设为默认输出。</translation>
    </message>
    <message>
        <source>Measures the run&apos;s channels again, with the same sweep and input, through the installed correction.</source>
        <translation>以相同的扫频和输入，通过已安装的校正再次测量本次运行的各声道。</translation>
    </message>
    <message>
        <source>Removes the correction chosen in the list below, or else this output&apos;s.</source>
        <translation>移除下方列表中选中的校正，未选中时移除此输出的校正。</translation>
    </message>
    <message>
        <source>Writes each channel&apos;s equaliser text into a folder.</source>
        <translation>将每个声道的均衡器文本写入一个文件夹。</translation>
    </message>
    <message>
        <source>Writes the correction as a PipeWire fragment into a folder.</source>
        <translation>将校正以 PipeWire 配置片段写入一个文件夹。</translation>
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
    <message>
        <source>&amp;Input:</source>
        <translation>输入(&amp;I)：</translation>
    </message>
    <message>
        <source>Band level</source>
        <translation>频带电平</translation>
    </message>
    <message>
        <source>Leq %1
Max %2
Peak (C) %3</source>
        <translation>Leq %1
最大 %2
峰值 (C) %3</translation>
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
