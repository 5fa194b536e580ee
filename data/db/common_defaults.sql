-- Default content of a new common.db: the chain's masters that several
-- installations share. Replace them with the chain's current lists.

-- Tag kinds: tag kind (slip header) + tag kind code (slip line).
-- PB_FLG -1: the tag's print data come from the PB tag master.
INSERT INTO MST_HUDASYU(HUDA_SYU,HUDA_KU,HUDA_NAME,PB_FLG,SAGYOU_DAI) VALUES
  ('1','1','プロパー値札',0,5),
  ('1','2','プロパー値札（サイズ付）',0,5),
  ('2','1','PB値札',-1,8),
  ('2','2','PB値札（素材表示付）',-1,10),
  ('3','1','ハンガー値札',0,6),
  ('4','1','シール値札',0,3);

-- Groups (group number on the slip lines).
INSERT INTO MST_GUNBAN(GUN_CD,GUN_NAME) VALUES
  ('0101','婦人トップス'), ('0102','婦人ボトムス'), ('0201','紳士トップス'),
  ('0202','紳士ボトムス'), ('0301','子供服'), ('0401','肌着・靴下');

-- Divisions (division code on the slip headers).
INSERT INTO MST_JIGYOUBU(JI_CD,JI_NAME) VALUES
  ('001','婦人衣料事業部'), ('002','紳士衣料事業部'), ('003','子供衣料事業部'), ('004','肌着事業部');

-- Tag-making places (first two characters of the slip header's spare 3).
INSERT INTO MST_TCBASE(BASE_CD,BASE_NAME) VALUES
  ('01','東日本値札センター'), ('02','西日本値札センター');
