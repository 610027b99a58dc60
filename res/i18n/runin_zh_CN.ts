<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>quilbo::CRunInPage</name>
    <message>
        <source> 44.1KHz,16BIT,-6DB,2Channel Pink noise with opposition phase</source>
        <translation> 44.1KHz,16BIT,-6DB,双声道反相粉红噪声</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>ALL</source>
        <translation>长期</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>小时</translation>
    </message>
    <message>
        <source>At the End:</source>
        <translation>结束时：</translation>
    </message>
    <message>
        <source>Shut down</source>
        <translation>关机</translation>
    </message>
    <message>
        <source>Exit quilbo</source>
        <translation>退出quilbo</translation>
    </message>
    <message>
        <source>Run In</source>
        <translation>煲箱</translation>
    </message>
    <message>
        <source>0:0:0:</source>
        <translation>0小时0分0秒</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>START RUN IN</source>
        <translation>开始煲箱</translation>
    </message>
    <message>
        <source>STOP RUN IN</source>
        <translation>停止煲箱</translation>
    </message>
    <message>
        <source>%H:%M:%S</source>
        <translation>%H小时%M分%S秒</translation>
    </message>
    <message>
        <source>Could not get %1 bytes of memory for the run-in noise.</source>
        <translation>无法为煲箱噪声取得 %1 字节的内存。</translation>
    </message>
    <message>
        <source>A loudspeaker run-in is in progress.</source>
        <translation>扬声器煲箱正在进行中。</translation>
    </message>
    <message>
        <source>Please choose a number of hours from the list, or ALL.</source>
        <translation>请从列表中选择小时数，或选择“长期”。</translation>
    </message>
    <message>
        <source>the system bus cannot be reached</source>
        <translation>无法连接系统总线</translation>
    </message>
    <message>
        <source>no power-off service (systemd-logind) answers</source>
        <translation>没有关机服务（systemd-logind）应答</translation>
    </message>
    <message>
        <source>this user may not power it off without a password</source>
        <translation>当前用户无密码时不允许关机</translation>
    </message>
    <message>
        <source>the system answered: %1</source>
        <translation>系统答复：%1</translation>
    </message>
    <message>
        <source>The computer could not be powered off: %1. Quilbo asks again every second.</source>
        <translation>无法关闭计算机：%1。Quilbo 每秒重试一次。</translation>
    </message>
    <message>
        <source>No sound since %1: waiting for an output</source>
        <translation>自 %1 起无声：正在等待输出设备</translation>
    </message>
    <message>
        <source>Measure before and after</source>
        <translation>煲箱前后各测量一次</translation>
    </message>
    <message>
        <source>Before the noise, and again at the end before the end action, each speaker of the pair plays a sweep that the default input records; the measurements are stored for the Measure page.</source>
        <translation>噪声开始前、以及结束时执行结束动作之前，这对扬声器各播放一次扫频，由默认输入录音；测量结果保存后可在“测量”页查看。</translation>
    </message>
    <message>
        <source>This program has no measurement recorder: nothing can be measured.</source>
        <translation>本程序没有测量录音器，无法进行测量。</translation>
    </message>
    <message>
        <source>Measuring the speakers before the run-in...</source>
        <translation>正在测量煲箱前的扬声器……</translation>
    </message>
    <message>
        <source>Measuring the speakers after the run-in...</source>
        <translation>正在测量煲箱后的扬声器……</translation>
    </message>
    <message>
        <source>The measurement before the run-in failed (%1); the run-in goes on.</source>
        <translation>煲箱前的测量失败（%1）；煲箱继续进行。</translation>
    </message>
    <message>
        <source>The measurement after the run-in failed (%1).</source>
        <translation>煲箱后的测量失败（%1）。</translation>
    </message>
    <message>
        <source>Signal:</source>
        <translation>信号：</translation>
    </message>
    <message>
        <source>Pink noise in opposite phase</source>
        <translation>反相粉红噪声</translation>
    </message>
    <message>
        <source>Power-test noise (AES2, crest factor 6 dB)</source>
        <translation>功率测试噪声（AES2，峰值因数 6 dB）</translation>
    </message>
    <message>
        <source>from</source>
        <translation>从</translation>
    </message>
    <message>
        <source>to</source>
        <translation>到</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>The power-test noise&apos;s band must start below where it ends.</source>
        <translation>功率测试噪声频带的起始频率必须低于终止频率。</translation>
    </message>
    <message>
        <source>Could not get memory to work out the power-test noise.</source>
        <translation>无法获得生成功率测试噪声所需的内存。</translation>
    </message>
    <message>
        <source>The measurement before the run-in: %1</source>
        <translation>煲箱前的测量：%1</translation>
    </message>
    <message>
        <source>The measurement after the run-in: %1</source>
        <translation>煲箱后的测量：%1</translation>
    </message>
</context>
</TS>
