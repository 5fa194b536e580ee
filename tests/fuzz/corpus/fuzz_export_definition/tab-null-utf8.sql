null
	
出力.TXT
SELECT OMDNNO, '/[0]/' AS P -- /[1]/
FROM TBL_RD_H2 WHERE OMDNNO LIKE '/[2]/%' AND "/[3]/" = [x/[4]/]
/* /[5]/ */ AND OMDNNO = /[0]/
