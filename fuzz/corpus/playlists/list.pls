[playlist]
File1=/music/a.wav
Title1=A
Length1=12
File2=b.ogg
NumberOfEntries=2
Version=2
