<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
    <context>
        <name>CAboutDlg</name>
        <message>
            <source>About this application</source>
            <translation>About this application</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>Data folder:
</source>
            <translation>Data folder:
</translation>
        </message>
    </context>
    <context>
        <name>CMainFrame</name>
        <message>
            <source>&amp;File</source>
            <translation>&amp;File</translation>
        </message>
        <message>
            <source>&amp;Experiment</source>
            <translation>&amp;Experiment</translation>
        </message>
        <message>
            <source>&amp;Language</source>
            <translation>&amp;Language</translation>
        </message>
        <message>
            <source>&amp;Help</source>
            <translation>&amp;Help</translation>
        </message>
        <message>
            <source>E&amp;xit</source>
            <translation>E&amp;xit</translation>
        </message>
        <message>
            <source>&amp;Start</source>
            <translation>&amp;Start</translation>
        </message>
        <message>
            <source>Show &amp;Result</source>
            <translation>Show &amp;Result</translation>
        </message>
        <message>
            <source>&amp;Practice first</source>
            <translation>&amp;Practice first</translation>
        </message>
        <message>
            <source>&amp;About</source>
            <translation>&amp;About</translation>
        </message>
        <message>
            <source>Quorvel  -  click here or choose Experiment &gt; Start to begin a test</source>
            <translation>Quorvel  -  click here or choose Experiment &gt; Start to begin a test</translation>
        </message>
        <message>
            <source>Data folder: </source>
            <translation>Data folder: </translation>
        </message>
    </context>
    <context>
        <name>CMyApp</name>
        <message>
            <source>設定ファイルを保存できません</source>
            <translation>The settings file cannot be saved</translation>
        </message>
        <message>
            <source>次回の起動時には、今回の条件（被験者IDなど）ではなく、前に保存された条件が表示されます。</source>
            <translation>At the next start, the conditions saved before will be shown instead of this session's (subject ID and the others).</translation>
        </message>
    </context>
    <context>
        <name>CResult</name>
        <message>
            <source>【最終結果(%1)】 %2 さん ／ 記録：%3 秒　（順位: %4 人中 %5 位 ／ 上位から %6 ％）</source>
            <translation>[Final result (%1)] %2 / time: %3 s  (rank %5 of %4 / top %6 %)</translation>
        </message>
        <message>
            <source>結果</source>
            <translation>Result</translation>
        </message>
        <message>
            <source>最終結果表示</source>
            <translation>Final result</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
    </context>
    <context>
        <name>CSubject</name>
        <message>
            <source>被験者IDに Shift-JIS で書けない文字が含まれています。
別の文字に直してください。</source>
            <translation>The subject ID contains characters that Shift-JIS cannot write.
Please use other characters.</translation>
        </message>
        <message>
            <source>被験者IDに使えない文字が含まれています。
\ / : * ? " &lt; &gt; | とタブなどの制御文字は使えません。</source>
            <translation>The subject ID contains a character that cannot be used.
\ / : * ? " &lt; &gt; | and tabs or other control characters cannot be used.</translation>
        </message>
        <message>
            <source>この被験者IDは記録ファイルの名前に使えません。
「.」「..」と CON、PRN、AUX、NUL、COM0～COM9、LPT0～LPT9 は使えません。</source>
            <translation>This subject ID cannot name a record file.
".", "..", CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9 cannot be used.</translation>
        </message>
        <message>
            <source>被験者IDの先頭または末尾に空白があります。
前後の空白を取り除いてください。</source>
            <translation>The subject ID begins or ends with a blank.
Please remove the blanks at either end.</translation>
        </message>
        <message>
            <source>被験者IDに「=」は使えません。
別の文字に直してください。</source>
            <translation>The subject ID cannot contain "=".
Please use another character.</translation>
        </message>
        <message>
            <source>被験者IDが長すぎて記録ファイルの名前に使えません。
短くしてください。</source>
            <translation>The subject ID is too long to name a record file.
Please shorten it.</translation>
        </message>
        <message>
            <source>課題条件</source>
            <translation>Task conditions</translation>
        </message>
        <message>
            <source>テストタイプ</source>
            <translation>Test type</translation>
        </message>
        <message>
            <source>Part A</source>
            <translation>Part A</translation>
        </message>
        <message>
            <source>Part B</source>
            <translation>Part B</translation>
        </message>
        <message>
            <source>Show Ranking</source>
            <translation>Show Ranking</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>キャンセル</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>Subject ID:</source>
            <translation>Subject ID:</translation>
        </message>
        <message>
            <source>乱数初期値</source>
            <translation>Seed</translation>
        </message>
        <message>
            <source>乱数初期値には -2147483648 から 2147483647 までの整数を入力してください。</source>
            <translation>Please enter a whole number from -2147483648 to 2147483647 as the seed.</translation>
        </message>
    </context>
    <context>
        <name>DriveExperiment</name>
        <message>
            <source>練習です。数字（1～8）を順番に選んでください</source>
            <translation>Practice: touch the numbers (1 to 8) in order.</translation>
        </message>
        <message>
            <source>練習です。数字（1～4）とひらがな（あ～え）を交互に順に選んでください</source>
            <translation>Practice: touch the numbers (1 to 4) and the letters (A to D) in order, alternating between them: 1, A, 2, B, ...</translation>
        </message>
        <message>
            <source>数字（1～25）を順番に選んでください</source>
            <translation>Touch the numbers (1 to 25) in order.</translation>
        </message>
        <message>
            <source>数字（1～13）とひらがな（あ～し）を順に選んでください</source>
            <translation>Touch the numbers (1 to 13) and the letters (A to L) in order, alternating between them: 1, A, 2, B, 3, C, ... L, 13.</translation>
        </message>
        <message>
            <source>練習</source>
            <translation>Practice</translation>
        </message>
        <message>
            <source>実験開始</source>
            <translation>Start of the experiment</translation>
        </message>
        <message>
            <source>MsTimer could not be started, so responses cannot be timed.
The test was not run and nothing was recorded.</source>
            <translation>MsTimer could not be started, so responses cannot be timed.
The test was not run and nothing was recorded.</translation>
        </message>
        <message>
            <source>課題終了</source>
            <translation>End of the task</translation>
        </message>
    </context>
    <context>
        <name>EndMessage</name>
        <message>
            <source>完了した目標がないため、試行データはありません。</source>
            <translation>No target was completed, so there is no trial data.</translation>
        </message>
        <message>
            <source>試行データは記録されていません。</source>
            <translation>The trial data was not recorded.</translation>
        </message>
        <message>
            <source>完了した %1 個の目標の試行データを記録しました。</source>
            <translation>The trial data of the %1 completed targets was recorded.</translation>
        </message>
        <message>
            <source>練習を中断しました。
練習の結果は試行データに記録されません。</source>
            <translation>The practice was interrupted.
A practice is never recorded in the trial data.</translation>
        </message>
        <message>
            <source>
実施の記録を runs フォルダに残しました。</source>
            <translation>
The run record was kept in the runs folder.</translation>
        </message>
        <message>
            <source>プログラムを中断しました。
</source>
            <translation>The program was interrupted.
</translation>
        </message>
        <message>
            <source>終了です。お疲れさまでした。
（所要時間 = </source>
            <translation>Finished. Thank you.
(Time taken = </translation>
        </message>
        <message>
            <source> 秒）</source>
            <translation> s)</translation>
        </message>
        <message>
            <source>
結果を QVL.txt に記録しました。</source>
            <translation>
The result was recorded in QVL.txt.</translation>
        </message>
        <message>
            <source>
結果は QVL.txt に記録されていません。</source>
            <translation>
The result was not recorded in QVL.txt.</translation>
        </message>
        <message>
            <source>
実施の記録は runs フォルダに残っていません。</source>
            <translation>
No run record was kept in the runs folder.</translation>
        </message>
    </context>
    <context>
        <name>LayoutGenerator</name>
        <message>
            <source>刺激配置を作成できません。
乱数初期値を変えて再試行してください。
（０ならば単純に再試行してください）</source>
            <translation>The layout of the targets cannot be made.
Change the seed and try again.
(With 0, simply try again.)</translation>
        </message>
        <message>
            <source>Error</source>
            <translation>Error</translation>
        </message>
    </context>
    <context>
        <name>LockWaitNote</name>
        <message>
            <source>記録ファイルを他の端末が使用中です。
書き込めるようになるまでお待ちください…</source>
            <translation>Another station is using a record file.
Please wait until it can be written...</translation>
        </message>
    </context>
    <context>
        <name>MsTimer</name>
        <message>
            <source>System does not permit MsTimer.</source>
            <translation>System does not permit MsTimer.</translation>
        </message>
        <message>
            <source>System does not have enough resolution for MsTimer.</source>
            <translation>System does not have enough resolution for MsTimer.</translation>
        </message>
    </context>
    <context>
        <name>RunExperiment</name>
        <message>
            <source>The experiment screen could not be set up (OpenGL is not available), so the test cannot be shown.
The test was not run and nothing was recorded.</source>
            <translation>The experiment screen could not be set up (OpenGL is not available), so the test cannot be shown.
The test was not run and nothing was recorded.</translation>
        </message>
        <message>
            <source>The images of the test could not be created (not enough graphics memory), so the test cannot be shown.
The test was not run and nothing was recorded.</source>
            <translation>The images of the test could not be created (not enough graphics memory), so the test cannot be shown.
The test was not run and nothing was recorded.</translation>
        </message>
    </context>
    <context>
        <name>WriteRecords</name>
        <message>
            <source>データファイルを開くことができません</source>
            <translation>The data file cannot be opened</translation>
        </message>
    </context>
</TS>
